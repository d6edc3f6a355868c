# Game rules: library kestra_game.
