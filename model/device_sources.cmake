# Devices, device channels, device links and the device sheet undo history.
target_sources(model PRIVATE
  device_chnl.cpp device_classes.cpp device_drawing.cpp device_external.cpp device_generic.cpp
  device_link.cpp device_matrix.cpp device_models.cpp device_ny.cpp device_qovg.cpp
  device_text.cpp undo_history.cpp)
# Messages come from the string table; external equipment is drawn with the
# program's bitmaps.
target_link_libraries(model PUBLIC resources_strings resources_bitmaps)
