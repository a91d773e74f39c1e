# The release conventions of the images that ship (qndsetup.dll, qndrun.exe, qndcheck.exe):
# one version, a version resource, and bytes that depend on the sources alone, whatever the
# folder of the build.

set(QND_COMPANY "Halvecor")
set(QND_COPYRIGHT "Copyright (C) 2026 Halvecor")

if(MINGW AND NOT QND_WIN32_TESTS)
  # No build paths in the objects (__FILE__, debug names) and no link time in the images or
  # their export tables: two builds of one commit in two folders give the same bytes.
  add_compile_options("$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${PROJECT_SOURCE_DIR}/=>"
                      "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${PROJECT_BINARY_DIR}/=>")
  add_link_options(-Wl,--no-insert-timestamp)
endif()

# qnd_release_image(TARGET DESCRIPTION): TARGET ships. It gets a VERSIONINFO resource (the
# project version as file and product version, DESCRIPTION, its own file name, the company and
# the copyright), QND_VERSION for its --version, ASLR and NX, and no symbol table in a release
# build.
function(qnd_release_image target description)
  get_target_property(type ${target} TYPE)
  set(QND_DESCRIPTION "${description}")
  if(type STREQUAL "SHARED_LIBRARY")
    set(QND_FILE_NAME "${target}.dll")
    set(QND_FILE_TYPE "VFT_DLL")
  else()
    set(QND_FILE_NAME "${target}.exe")
    set(QND_FILE_TYPE "VFT_APP")
  endif()
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
  configure_file(${PROJECT_SOURCE_DIR}/src/frame/version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
  target_compile_definitions(${target} PRIVATE QND_VERSION="${PROJECT_VERSION}")
  if(MINGW)
    target_link_options(${target} PRIVATE -Wl,--dynamicbase,--nxcompat
                        $<$<CONFIG:MinSizeRel,Release>:-s>)
  endif()
endfunction()
