# Fuzz targets (images).
