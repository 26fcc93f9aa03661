# What `cmake --install` puts in place, and the Debian package of the same
# tree (`cpack -G DEB` in the build folder):
#   bin/                     wagewise-demo, wwcall, wwreg
#   lib/                     libcoravel2.so, librowcast.so (loaded by ProgID)
#   lib/wagewise/            the static host side: value type, file guard, registry store,
#                            component layer, Rowcast's list model
#   include/wagewise/        their headers
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
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}/wagewise)
install(TARGETS coravel2 rowcast LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(TARGETS wagewise-demo wwcall wwreg RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

foreach(header
    core/value.h core/fault.h
    platform/registry/registry.h platform/registry/sqlite_registry.h
    platform/component/dispatch.h platform/component/object_host.h
    rowcast/front/list_model.h rowcast/front/memory_list.h rowcast/front/item_model_list.h)
  get_filename_component(folder ${header} DIRECTORY)
  install(FILES ${PROJECT_SOURCE_DIR}/${header} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/wagewise/${folder})
endforeach()

set(ww_config_dir ${CMAKE_INSTALL_LIBDIR}/cmake/Wagewise)
install(EXPORT WagewiseTargets NAMESPACE Wagewise:: DESTINATION ${ww_config_dir})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/WagewiseConfig.cmake.in
  ${CMAKE_BINARY_DIR}/WagewiseConfig.cmake
  INSTALL_DESTINATION ${ww_config_dir}
  PATH_VARS CMAKE_INSTALL_LIBDIR)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/WagewiseConfigVersion.cmake
  VERSION ${WW_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/WagewiseConfig.cmake ${CMAKE_BINARY_DIR}/WagewiseConfigVersion.cmake
  DESTINATION ${ww_config_dir})

set(CPACK_PACKAGE_NAME wagewise)
set(CPACK_PACKAGE_VERSION ${WW_VERSION})
set(CPACK_PACKAGE_VENDOR "Wagewise")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Wagewise component libraries, tools and demo host")
set(CPACK_PACKAGE_CONTACT "Wagewise developers <wagewise@localhost>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
# What the libraries and programs load; the host side's headers also want
# the Qt and SQLite development packages, which a C++ host has anyway.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "libqt6core6, libqt6gui6, libqt6widgets6, libqt6printsupport6, libsqlite3-0, fonts-liberation2")
include(CPack)
