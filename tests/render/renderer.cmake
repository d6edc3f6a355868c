# Renderer tests.
