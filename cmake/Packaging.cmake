# Installation and the Debian package. Included at the end of the top-level
# CMakeLists.txt, once every target exists.
#
# The desktop files carry the reverse-DNS id below; the icon keeps the plain
# program name, so the window icon, the menu entry and the theme agree.

include(GNUInstallDirs)

set(STEPDOWN_APP_ID org.example.stepdown)
set(STEPDOWN_ICON_NAME stepdown)
set(STEPDOWN_ICON_SVG ${PROJECT_SOURCE_DIR}/ui/resources/icon.svg)
set(STEPDOWN_ICON_SIZES 16 32 48 256)

# --- Programs ---------------------------------------------------------------

if(TARGET stepdown)
  install(TARGETS stepdown RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
if(TARGET stepdown-cli)
  install(TARGETS stepdown-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

# --- Desktop integration: menu entry, AppStream data, media type, icons -----

if(TARGET stepdown)
  install(FILES ${PROJECT_SOURCE_DIR}/data/${STEPDOWN_APP_ID}.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${PROJECT_SOURCE_DIR}/data/${STEPDOWN_APP_ID}.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  # The design files' media type, which the menu entry opens.
  install(FILES ${PROJECT_SOURCE_DIR}/data/${STEPDOWN_APP_ID}.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
  install(FILES ${STEPDOWN_ICON_SVG}
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
          RENAME ${STEPDOWN_ICON_NAME}.svg)

  # The fixed-size icons are rendered from the SVG at build time by Qt's own
  # SVG renderer, the one that draws the window icon.
  add_executable(stepdown_render_icon ${PROJECT_SOURCE_DIR}/data/RenderIcon.cpp)
  set_target_properties(stepdown_render_icon PROPERTIES
    AUTOMOC OFF AUTOUIC OFF AUTORCC OFF
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)
  target_link_libraries(stepdown_render_icon PRIVATE stepdown_flags Qt6::Gui Qt6::Svg)

  set(STEPDOWN_ICON_DIR ${CMAKE_BINARY_DIR}/icons/hicolor)
  set(STEPDOWN_ICON_PNGS)
  foreach(size IN LISTS STEPDOWN_ICON_SIZES)
    list(APPEND STEPDOWN_ICON_PNGS
         ${STEPDOWN_ICON_DIR}/${size}x${size}/apps/${STEPDOWN_ICON_NAME}.png)
  endforeach()
  add_custom_command(
    OUTPUT ${STEPDOWN_ICON_PNGS}
    COMMAND stepdown_render_icon ${STEPDOWN_ICON_SVG} ${STEPDOWN_ICON_DIR} ${STEPDOWN_ICON_NAME}
            ${STEPDOWN_ICON_SIZES}
    DEPENDS ${STEPDOWN_ICON_SVG}
    COMMENT "Rendering the application icon at ${STEPDOWN_ICON_SIZES} pixels"
    VERBATIM)
  add_custom_target(stepdown_icons ALL DEPENDS ${STEPDOWN_ICON_PNGS})

  foreach(size IN LISTS STEPDOWN_ICON_SIZES)
    install(FILES ${STEPDOWN_ICON_DIR}/${size}x${size}/apps/${STEPDOWN_ICON_NAME}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()
endif()

# --- Manual page, compressed as Debian ships them ---------------------------

if(TARGET stepdown-cli)
  find_program(STEPDOWN_GZIP gzip REQUIRED)
  set(STEPDOWN_MAN_PAGE ${CMAKE_BINARY_DIR}/man/stepdown-cli.1)
  add_custom_command(
    OUTPUT ${STEPDOWN_MAN_PAGE}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/data/stepdown-cli.1
            ${STEPDOWN_MAN_PAGE}
    # -n keeps name and time stamp out, so the package is reproducible.
    COMMAND ${STEPDOWN_GZIP} -9nf ${STEPDOWN_MAN_PAGE}
    DEPENDS ${PROJECT_SOURCE_DIR}/data/stepdown-cli.1
    COMMENT "Compressing the stepdown-cli manual page"
    VERBATIM)
  add_custom_target(stepdown_man_page ALL DEPENDS ${STEPDOWN_MAN_PAGE}.gz)
  install(FILES ${STEPDOWN_MAN_PAGE}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

# --- Debian package: cpack -G DEB in the build folder -----------------------

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME stepdown)
set(CPACK_PACKAGE_VENDOR "The stepdown developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "The stepdown developers <stepdown@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "design aid for DC-DC step-down (buck) converters")
set(CPACK_PACKAGE_DESCRIPTION
"stepdown computes, from the input and output voltages, the switching
frequency, the allowed ripples and the output current of a step-down
converter, its inductance, capacitance and diode and input currents, then
checks the design by simulating the converter in the time domain and
drawing its waveforms. The user interface is in Italian.
.
stepdown-cli does the same from the command line, with text, JSON and CSV
output, for scripted sweeps and regression checks.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://example.org/stepdown)
# The run-time libraries (Qt 6, the C++ library) are read off the binaries.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)

# A source tarball leaves out the build folders and the repository.
set(CPACK_SOURCE_GENERATOR TGZ)
set(CPACK_SOURCE_IGNORE_FILES "/[.]git/" "/build[^/]*/" "/_CPack_Packages/")

include(CPack)
