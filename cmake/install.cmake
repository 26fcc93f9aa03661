# What `cmake --install` puts in place, and the two Debian packages of the
# same tree (`cpack -G DEB` in the build folder). The Runtime component
# (package wagewise):
#   bin/                     wagewise-demo, wwcall, wwreg
#   lib/                     libcoravel2.so.2, librowcast.so.2 (loaded by ProgID) and their files
#   share/man/man1/          the three programs' man pages
#   share/applications/, share/icons/   the demo host's desktop entry and icon
# The Development component (package wagewise-dev):
#   lib/                     libcoravel2.so, librowcast.so (links for linking them)
#   lib/wagewise/            the static host side: value type, file guard, registry store,
#                            component layer, Rowcast's list model
#   include/wagewise/        their headers and the printer binding's
#   lib/cmake/Wagewise/      find_package(Wagewise COMPONENTS Coravel2 Rowcast)
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(WW_VERSION 1.0.0)
set(ww_host_libraries core platform_files platform_registry platform_component rowcast_list)

# Inside the build the headers are found from the source root; installed,
# under include/wagewise.
foreach(target IN LISTS ww_host_libraries)
  set_target_properties(${target} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES
    "$<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>;$<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/wagewise>")
endforeach()
set_target_properties(core PROPERTIES EXPORT_NAME Value)
set_target_properties(platform_files PROPERTIES EXPORT_NAME Files)
set_target_properties(platform_registry PROPERTIES EXPORT_NAME Registry)
set_target_properties(platform_component PROPERTIES EXPORT_NAME Component)
set_target_properties(rowcast_list PROPERTIES EXPORT_NAME RowcastList)

install(TARGETS ${ww_host_libraries} EXPORT WagewiseTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}/wagewise COMPONENT Development)
install(TARGETS coravel2 rowcast LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  COMPONENT Runtime NAMELINK_COMPONENT Development)
install(TARGETS wagewise-demo wwcall wwreg RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT Runtime)
# A stripped install (cpack, --strip) strips the executables and shared
# libraries; the static host side keeps its symbols and loses its debug
# information, most of its size.
install(CODE "
  if(CMAKE_INSTALL_DO_STRIP)
    file(GLOB _ww_archives \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/wagewise/*.a\")
    foreach(_ww_archive IN LISTS _ww_archives)
      execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-debug \"\${_ww_archive}\" COMMAND_ERROR_IS_FATAL ANY)
    endforeach()
  endif()" COMPONENT Development)

# Man pages from their scdoc sources beside each program, gzipped as Debian
# wants them (-n: no time stamp, so a rebuild gives the same bytes).
find_program(WW_SCDOC scdoc REQUIRED)
set(ww_man_pages)
foreach(page tools/wwreg/wwreg.1 tools/wwcall/wwcall.1 host/wagewise-demo.1)
  get_filename_component(name ${page} NAME)
  set(out ${CMAKE_BINARY_DIR}/man/${name}.gz)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
    COMMAND bash -c "set -o pipefail; '${WW_SCDOC}' < '${PROJECT_SOURCE_DIR}/${page}.scd' | gzip -9n > '${out}'"
    DEPENDS ${PROJECT_SOURCE_DIR}/${page}.scd VERBATIM)
  list(APPEND ww_man_pages ${out})
endforeach()
set(ww_changelog ${CMAKE_BINARY_DIR}/man/changelog.gz)
add_custom_command(OUTPUT ${ww_changelog}
  COMMAND sh -c "gzip -9n < '${PROJECT_SOURCE_DIR}/cmake/debian/changelog' > '${ww_changelog}'"
  DEPENDS ${PROJECT_SOURCE_DIR}/cmake/debian/changelog VERBATIM)
add_custom_target(man_pages ALL DEPENDS ${ww_man_pages} ${ww_changelog})
install(FILES ${ww_man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT Runtime)
install(FILES cmake/debian/wagewise-demo.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT Runtime)
install(FILES cmake/debian/wagewise-demo.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
  COMPONENT Runtime)
install(FILES cmake/debian/wagewise.lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
  RENAME wagewise COMPONENT Runtime)
foreach(package_component wagewise:Runtime wagewise-dev:Development)
  string(REPLACE ":" ";" pc ${package_component})
  list(GET pc 0 package)
  list(GET pc 1 component)
  install(FILES cmake/debian/copyright ${ww_changelog} DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package}
    COMPONENT ${component})
endforeach()

foreach(header
    core/value.h core/fault.h
    platform/registry/registry.h platform/registry/sqlite_registry.h
    platform/component/dispatch.h platform/component/object_host.h
    rowcast/list/list_model.h rowcast/list/memory_list.h rowcast/list/item_model_list.h
    rowcast/front/printer_binding.h rowcast/front/enumerations.h)
  get_filename_component(folder ${header} DIRECTORY)
  install(FILES ${PROJECT_SOURCE_DIR}/${header} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/wagewise/${folder}
    COMPONENT Development)
endforeach()

set(ww_config_dir ${CMAKE_INSTALL_LIBDIR}/cmake/Wagewise)
install(EXPORT WagewiseTargets NAMESPACE Wagewise:: DESTINATION ${ww_config_dir} COMPONENT Development)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/WagewiseConfig.cmake.in
  ${CMAKE_BINARY_DIR}/WagewiseConfig.cmake
  INSTALL_DESTINATION ${ww_config_dir}
  PATH_VARS CMAKE_INSTALL_LIBDIR)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/WagewiseConfigVersion.cmake
  VERSION ${WW_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/WagewiseConfig.cmake ${CMAKE_BINARY_DIR}/WagewiseConfigVersion.cmake
  DESTINATION ${ww_config_dir} COMPONENT Development)

set(CPACK_PACKAGE_NAME wagewise)
set(CPACK_PACKAGE_VERSION ${WW_VERSION})
set(CPACK_PACKAGE_VENDOR "Vandr")
set(CPACK_PACKAGE_CONTACT "Vandr <help@vandr.example>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL Runtime Development)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME wagewise)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION "component libraries, tools and demo host for wage keeping
The coravel2 library (settings store access, holiday, sick and vacation pay
calculators, a yearly earnings graph, utilities) and the rowcast library
(prints a list with the largest font that fits, or writes it as HTML or CSV),
both created by ProgID through the settings store; the wwreg and wwcall
command-line tools; and wagewise-demo, a small host over both libraries.")
# What the programs and libraries link, found by dpkg-shlibdeps; the fonts
# are what printed and measured text is laid out in.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_DEPENDS "fonts-liberation2")
# The shlibs file, and ldconfig's trigger for the two shared libraries in
# place of the ldconfig calls cpack writes into postinst and postrm unless
# the package brings its own, which it then does not need.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA
  ${PROJECT_SOURCE_DIR}/cmake/debian/triggers ${PROJECT_SOURCE_DIR}/cmake/debian/postinst
  ${PROJECT_SOURCE_DIR}/cmake/debian/postrm)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME wagewise-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION "files for writing a host of the Wagewise components
The host side of the component layer (value type, settings store, class
creation by ProgID, calls by name) and Rowcast's list model as static
libraries, their headers, the printer binding's header, and a CMake package:
find_package(Wagewise COMPONENTS Coravel2 Rowcast).")
# The headers include Qt's and SQLite's.
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS "wagewise (= ${WW_VERSION}), qt6-base-dev, libsqlite3-dev")
include(CPack)

# Both packages built from this tree, unpacked into a temporary root and
# checked (lintian, man pages, the tiny host, the demo's re-registration).
# The sanitizer build's binaries need its runtime, which a package lacks.
if(NOT WW_SANITIZE AND NOT WW_FUZZ)
  add_test(NAME package_test COMMAND bash ${PROJECT_SOURCE_DIR}/cmake/package_test.sh ${CMAKE_BINARY_DIR})
  set_tests_properties(package_test PROPERTIES TIMEOUT 300)
endif()
