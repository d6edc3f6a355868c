# Image loader tests.
