# Fuzz targets (text).
