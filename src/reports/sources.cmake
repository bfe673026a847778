# Files of this subsystem: core ones build without widgets.
