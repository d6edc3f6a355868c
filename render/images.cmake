# Image loaders: library kestra_images.
