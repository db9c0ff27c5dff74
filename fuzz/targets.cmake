# The fuzz targets, one source file each; shared by the fuzz build and by the
# native build, which registers a short run of each as a test.
set(JUXA_FUZZ_TARGETS
  str_to_int
  byte_field
  drive_walk
  unit_mask
  render_ansi
  render_unicode
  hex_line
  clipboard_report
  console_send
  sense_line
)
