# Building a plugin library: the machinery every plugin of this project
# links, and what makes a shared library one a host can load.
# HELIX_PACK_TARGET names the preset's target as ffgl-pack does.

if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(HELIX_PACK_TARGET win32)
elseif(WIN32)
  set(HELIX_PACK_TARGET win64)
else()
  set(HELIX_PACK_TARGET linux-x86_64)
endif()

# Links everything of the plugin except the platform layer, the OpenGL
# library and the registration record into a target (object libraries link
# their objects only when named directly).
function(helix_link_plugin_machinery target)
  target_link_libraries(${target} PRIVATE helix_host_interface helix_threads helix_gl helix_effect
                        helix_description)
endfunction()

# The machinery with the built-in plugin's registration record.
function(helix_link_plugin_core target)
  helix_link_plugin_machinery(${target})
  target_link_libraries(${target} PRIVATE helix_effect_registration)
endfunction()

# What makes a shared library a plugin a host can load, the same for every
# plugin this project builds: the platform layer and OpenGL linked, plugMain
# the only export (the .def file given for the preset's Windows bitness),
# no "lib" prefix, and on Windows no import library beside the DLL.
function(helix_plugin_binary_interface target win32_def win64_def)
  target_link_libraries(${target} PRIVATE helix_platform)
  set_target_properties(${target} PROPERTIES PREFIX "")
  if(WIN32)
    target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/plugin/WindowsDllMain.cpp)
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
      target_sources(${target} PRIVATE ${win32_def})
    else()
      target_sources(${target} PRIVATE ${win64_def})
    endif()
    target_link_libraries(${target} PRIVATE opengl32)
    set_target_properties(${target} PROPERTIES IMPORT_PREFIX "" IMPORT_SUFFIX ".dll.a")
  else()
    find_package(OpenGL REQUIRED COMPONENTS OpenGL)
    target_link_libraries(${target} PRIVATE OpenGL::OpenGL)
    set(map ${PROJECT_SOURCE_DIR}/plugin/HelixmorphicsV1.map)
    target_link_options(${target} PRIVATE -Wl,--version-script=${map})
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${map})
    if(NOT HELIX_SANITIZE)
      target_link_options(${target} PRIVATE -Wl,--no-undefined)
    endif()
  endif()
endfunction()
