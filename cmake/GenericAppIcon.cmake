# The app list library's generic app icon (our own artwork), built into the
# library as a byte array: writes the source defining kGenericAppIconPNG
# (applist/GenericAppIconData.h) to `out_file`, remade when the PNG changes.
function(chimewell_generic_app_icon_source out_file)
  set(icon "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../share/SparkAppList/GenericAppIcon@3x.png")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${icon}")
  file(READ "${icon}" icon_hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," icon_bytes "${icon_hex}")
  file(CONFIGURE OUTPUT "${out_file}" CONTENT
       "#include \"applist/GenericAppIconData.h\"\nconst unsigned char kGenericAppIconPNG[] = {@icon_bytes@};\nconst std::size_t kGenericAppIconPNGSize = sizeof kGenericAppIconPNG;\n")
endfunction()
