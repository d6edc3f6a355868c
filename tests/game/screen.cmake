# Whole-game tests under Wine.
