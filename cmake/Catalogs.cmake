# The message catalogs: each locale/<code>/LC_MESSAGES/default.po is checked and compiled by GNU
# msgfmt and the results are appended to varnook.exe after linking, each as a zlib stream, so the
# executable carries every translation. The program looks texts up by a binary search of the
# sorted identifiers and never uses a catalog's hash table, so none is written. A changed catalog
# relinks the executable, which appends the catalogs again.
find_program(VARNOOK_MSGFMT msgfmt REQUIRED)
file(GLOB VARNOOK_PO_FILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/locale/*/LC_MESSAGES/default.po)
list(SORT VARNOOK_PO_FILES)
set(VARNOOK_MO_FILES)
set(appendArgs)
foreach(po ${VARNOOK_PO_FILES})
  file(RELATIVE_PATH relative ${CMAKE_SOURCE_DIR} ${po})
  string(REGEX REPLACE "\\.po$" ".mo" relative ${relative})
  set(mo ${CMAKE_BINARY_DIR}/${relative})
  get_filename_component(moDir ${mo} DIRECTORY)
  add_custom_command(OUTPUT ${mo}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${moDir}
    COMMAND ${VARNOOK_MSGFMT} --check --no-hash -o ${mo} ${po}
    DEPENDS ${po} VERBATIM)
  list(APPEND VARNOOK_MO_FILES ${mo})
  string(REPLACE "/" "\\" name ${relative})
  list(APPEND appendArgs "${name}=${mo}")
endforeach()
if(VARNOOK_MO_FILES)
  add_custom_target(varnook_catalogs DEPENDS ${VARNOOK_MO_FILES})
  add_dependencies(varnook varnook_catalogs)
  set_property(TARGET varnook APPEND PROPERTY LINK_DEPENDS ${VARNOOK_MO_FILES} ${CMAKE_SOURCE_DIR}/tools/append-catalogs)
  add_custom_command(TARGET varnook POST_BUILD
    COMMAND python3 ${CMAKE_SOURCE_DIR}/tools/append-catalogs $<TARGET_FILE:varnook> ${appendArgs}
    VERBATIM)
endif()
