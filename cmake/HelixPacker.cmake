# HELIX_PACKER: the ffgl-pack that runs on the build machine, and
# HELIX_PACKER_DEPENDS, what building it takes. A native build uses its own;
# a cross build (the Windows presets) builds one for the build machine.
if(NOT CMAKE_CROSSCOMPILING)
  set(HELIX_PACKER $<TARGET_FILE:ffgl-pack>)
  set(HELIX_PACKER_DEPENDS ffgl-pack)
  return()
endif()

include(ExternalProject)
set(_helix_host_tools ${PROJECT_BINARY_DIR}/host-tools)
ExternalProject_Add(host_ffgl_pack
  SOURCE_DIR ${PROJECT_SOURCE_DIR}
  BINARY_DIR ${_helix_host_tools}
  CMAKE_ARGS -DHELIX_PACKER_ONLY=ON -DCMAKE_BUILD_TYPE=Release
  BUILD_COMMAND ${CMAKE_COMMAND} --build ${_helix_host_tools} --target ffgl-pack
  INSTALL_COMMAND ""
  # Its sources are this project's: let its own build decide what is stale.
  BUILD_ALWAYS ON
  BUILD_BYPRODUCTS ${_helix_host_tools}/ffgl-pack)
set(HELIX_PACKER ${_helix_host_tools}/ffgl-pack)
set(HELIX_PACKER_DEPENDS host_ffgl_pack)
