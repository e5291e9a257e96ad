# The package: `cmake --install` lays out the library, its resource modules,
# cvxcfg.exe, the header, import libraries for MinGW (libcvxutil.dll.a) and
# for Microsoft's linker (cvxutil.lib), and a CMake package for
# find_package(cvxutil).
include(CMakePackageConfigHelpers)
set(CVX_PACKAGE_VERSION 1.0.0.1)

# cvxutil.lib from the .def file, with the ordinal-only exports kept.
find_program(CVX_LLVM_DLLTOOL NAMES llvm-dlltool llvm-dlltool-14 REQUIRED)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(CVX_MSVC_MACHINE i386)
else()
  set(CVX_MSVC_MACHINE i386:x86-64)
endif()
set(CVX_MSVC_IMPLIB ${CMAKE_BINARY_DIR}/lib/cvxutil.lib)
add_custom_command(OUTPUT ${CVX_MSVC_IMPLIB}
  COMMAND bash ${CMAKE_SOURCE_DIR}/cmake/msvc-implib ${CVX_LLVM_DLLTOOL} ${CVX_MSVC_MACHINE} ${CVX_TRIPLET}-nm
          ${CMAKE_SOURCE_DIR}/cvxutil.def cvxutil.dll ${CVX_MSVC_IMPLIB} $<TARGET_OBJECTS:cvxobj>
  DEPENDS ${CMAKE_SOURCE_DIR}/cvxutil.def ${CMAKE_SOURCE_DIR}/cmake/msvc-implib cvxutil
  COMMAND_EXPAND_LISTS VERBATIM)
add_custom_target(cvxutil_msvc_implib ALL DEPENDS ${CVX_MSVC_IMPLIB})

install(TARGETS cvxutil ${CVX_RESOURCE_MODULES} RUNTIME DESTINATION bin)
if(TARGET cvxcfg)
  install(TARGETS cvxcfg RUNTIME DESTINATION bin)
endif()
install(FILES ${CMAKE_SOURCE_DIR}/include/cvxutil.h DESTINATION include)
# On 32-bit the linker's import library has been rebuilt by make-implib.
install(FILES $<TARGET_LINKER_FILE:cvxutil> DESTINATION lib RENAME libcvxutil.dll.a)
install(FILES ${CVX_MSVC_IMPLIB} DESTINATION lib)

set(CVX_CONFIG_DIR ${CMAKE_BINARY_DIR}/package)
configure_package_config_file(${CMAKE_SOURCE_DIR}/cmake/cvxutilConfig.cmake.in
  ${CVX_CONFIG_DIR}/cvxutilConfig.cmake INSTALL_DESTINATION lib/cmake/cvxutil)
# The version file also refuses a package of the other pointer size.
write_basic_package_version_file(${CVX_CONFIG_DIR}/cvxutilConfigVersion.cmake
  VERSION ${CVX_PACKAGE_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${CVX_CONFIG_DIR}/cvxutilConfig.cmake ${CVX_CONFIG_DIR}/cvxutilConfigVersion.cmake
  DESTINATION lib/cmake/cvxutil)
