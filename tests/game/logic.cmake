# Game rules tests.
