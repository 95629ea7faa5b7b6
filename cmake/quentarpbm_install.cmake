# cmake --install: the public headers, the library (with an import library on
# Windows), a CMake package and, natively, a pkg-config file. Relocatable:
# every path is found from where the package files lie.
include(CMakePackageConfigHelpers)

install(FILES ${PROJECT_SOURCE_DIR}/include/quentarpbm.h DESTINATION include)
if(WIN32)
  set(QUENTARPBM_INSTALL_LIBRARY bin/QUENTARPBM.dll)
  # Hosts link an import library (the package picks the one for their
  # linker) and load QUENTARPBM.dll from beside themselves.
  set(QUENTARPBM_IMPORT_LIBRARY libQUENTARPBM.dll.a)
  install(TARGETS quentarpbm RUNTIME DESTINATION bin)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(import_def ${PROJECT_SOURCE_DIR}/src/entry/quentarpbm_import.def)
    set(llvm_machine i386)
    # Hosts reference the stdcall-decorated _PBMOpen@24 while the DLL exports
    # the bare name, which the linker's own import library cannot bridge.
    set(mingw_import_library ${PROJECT_BINARY_DIR}/import/${QUENTARPBM_IMPORT_LIBRARY})
    # Made in its folder under its bare name: dlltool names the library's
    # members after the path it is given, which would put the build
    # directory into the released file.
    file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/import)
    add_custom_command(OUTPUT ${mingw_import_library}
      COMMAND ${QUENTARPBM_DLLTOOL} --kill-at --input-def ${import_def}
        --dllname QUENTARPBM.dll --output-lib ${QUENTARPBM_IMPORT_LIBRARY}
      WORKING_DIRECTORY ${PROJECT_BINARY_DIR}/import
      DEPENDS ${import_def}
      VERBATIM)
    install(FILES ${mingw_import_library} DESTINATION lib)
  else()
    set(import_def ${PROJECT_SOURCE_DIR}/src/entry/quentarpbm64.def)
    set(llvm_machine i386:x86-64)
    # No decoration on 64-bit: the linker's import library serves as it is.
    install(FILES $<TARGET_LINKER_FILE:quentarpbm> DESTINATION lib
      RENAME ${QUENTARPBM_IMPORT_LIBRARY})
  endif()
  # For Microsoft's toolchain: GNU dlltool's import objects carry no SafeSEH
  # mark, which link.exe and lld-link refuse in 32-bit images; llvm-dlltool
  # writes the short import format they accept. --kill-at makes the 32-bit
  # import name undecorated (_PBMOpen@24 loads PBMOpen).
  find_program(QUENTARPBM_LLVM_DLLTOOL NAMES llvm-dlltool-14 llvm-dlltool REQUIRED)
  set(msvc_import_library ${PROJECT_BINARY_DIR}/import/QUENTARPBM.lib)
  add_custom_command(OUTPUT ${msvc_import_library}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/import
    COMMAND ${QUENTARPBM_LLVM_DLLTOOL} -m ${llvm_machine} --kill-at -d ${import_def}
      -l ${msvc_import_library}
    DEPENDS ${import_def}
    VERBATIM)
  # (The MinGW import library is made here on 32-bit only.)
  add_custom_target(quentarpbm_import_library ALL
    DEPENDS ${msvc_import_library} ${mingw_import_library})
  # What a host built in this tree links, as an installed host would.
  add_library(quentarpbm_for_hosts INTERFACE)
  if(mingw_import_library)
    target_link_libraries(quentarpbm_for_hosts INTERFACE ${mingw_import_library})
    add_dependencies(quentarpbm_for_hosts quentarpbm quentarpbm_import_library)
  else()
    target_link_libraries(quentarpbm_for_hosts INTERFACE quentarpbm)
  endif()
  install(FILES ${msvc_import_library} DESTINATION lib)
  install(FILES ${import_def} DESTINATION lib RENAME QUENTARPBM.def)
else()
  set(QUENTARPBM_INSTALL_LIBRARY lib/libquentarpbm.so)
  install(FILES ${PROJECT_SOURCE_DIR}/include/quentarpbm_posix.h DESTINATION include)
  install(TARGETS quentarpbm LIBRARY DESTINATION lib)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/package/quentarpbm.pc.in
    ${PROJECT_BINARY_DIR}/package/quentarpbm.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/package/quentarpbm.pc DESTINATION lib/pkgconfig)
endif()

configure_file(${PROJECT_SOURCE_DIR}/cmake/package/QuentarPBMConfig.cmake.in
  ${PROJECT_BINARY_DIR}/package/QuentarPBMConfig.cmake @ONLY)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/package/QuentarPBMConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/package/QuentarPBMConfig.cmake
  ${PROJECT_BINARY_DIR}/package/QuentarPBMConfigVersion.cmake
  DESTINATION lib/cmake/QuentarPBM)

# What a release ships and cmake --install installs, and nothing of the
# tests: scripts/run.sh and scripts/release.sh build this, and so does the
# test command where a build's tests cannot run.
add_custom_target(quentarpbm_shipped)
add_dependencies(quentarpbm_shipped quentarpbm pnm_to_bmp)
if(WIN32)
  add_dependencies(quentarpbm_shipped quentarpbm_wic quentarpbm_import_library viewer)
endif()
