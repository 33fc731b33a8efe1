# Panedeck.app on macOS: the executable as an application bundle with its Info dictionary (made from
# resources/Info.plist.in), its icon (rendered from the project's own mark and packed by iconutil)
# and the resources listed in resources/bundle-layout.txt; `cmake --build --preset <p> --target dmg`
# deploys Qt into a copy of it, signs the copy and puts it on a drag-to-Applications disk image.

set_target_properties(panedeck PROPERTIES
  MACOSX_BUNDLE TRUE
  OUTPUT_NAME ${PANEDECK_EXECUTABLE}
  MACOSX_BUNDLE_INFO_PLIST ${PROJECT_BINARY_DIR}/Info.plist)

# The icon: every size the icon format holds, from the SVG mark, by a small Qt tool that runs
# without a window system (no Dock icon while building).
add_executable(panedeck_iconset ${PROJECT_SOURCE_DIR}/tools/iconset/main.cpp)
target_link_libraries(panedeck_iconset PRIVATE Qt6::Gui Qt6::Svg)
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/Panedeck.icns
  COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
          $<TARGET_FILE:panedeck_iconset> ${PROJECT_SOURCE_DIR}/resources/panedeck.svg ${PROJECT_BINARY_DIR}/Panedeck.iconset
  COMMAND iconutil -c icns ${PROJECT_BINARY_DIR}/Panedeck.iconset -o ${PROJECT_BINARY_DIR}/Panedeck.icns
  DEPENDS panedeck_iconset ${PROJECT_SOURCE_DIR}/resources/panedeck.svg
  VERBATIM)

# The resources, where the layout file puts them.
file(STRINGS ${PROJECT_SOURCE_DIR}/resources/bundle-layout.txt layout REGEX "^[^#]")
foreach(line IN LISTS layout)
  string(REGEX REPLACE "[ \t]+" ";" fields "${line}")
  list(GET fields 0 source)
  list(GET fields 1 destination)
  if(source MATCHES "^build:")
    string(REPLACE "build:" "${PROJECT_BINARY_DIR}/" source "${source}")
  else()
    set(source ${PROJECT_SOURCE_DIR}/${source})
  endif()
  string(REGEX REPLACE "^Contents/" "" location "${destination}")
  target_sources(panedeck PRIVATE ${source})
  set_source_files_properties(${source} PROPERTIES MACOSX_PACKAGE_LOCATION ${location})
  if(line MATCHES "executable$")
    get_filename_component(name ${source} NAME)
    add_custom_command(TARGET panedeck POST_BUILD
      COMMAND chmod 755 $<TARGET_BUNDLE_CONTENT_DIR:panedeck>/${location}/${name} VERBATIM)
  endif()
endforeach()

set(PANEDECK_CODESIGN_IDENTITY "-" CACHE STRING "Identity the disk image's application is signed with (- signs ad hoc)")
find_program(PANEDECK_MACDEPLOYQT macdeployqt HINTS ${QT6_INSTALL_PREFIX}/bin REQUIRED)
add_custom_target(dmg
  COMMAND ${CMAKE_COMMAND} -E env MACDEPLOYQT=${PANEDECK_MACDEPLOYQT}
          ${PROJECT_SOURCE_DIR}/scripts/make-dmg $<TARGET_BUNDLE_DIR:panedeck> ${CMAKE_OSX_DEPLOYMENT_TARGET}
          ${PANEDECK_CODESIGN_IDENTITY}
  DEPENDS panedeck
  COMMENT "Panedeck.dmg: the application with its Qt frameworks, signed, beside a link to Applications"
  VERBATIM)
