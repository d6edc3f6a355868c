# Game screen side and the kestra executable (Windows).
