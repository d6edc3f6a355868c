# Renderer: kestra_render_core (portable) and kestra_render (Windows).
