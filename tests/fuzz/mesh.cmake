# Fuzz targets (mesh).
