# helix_add_shader_plugin: turns one GLSL fragment-shader file into its own
# FreeFrame GL plugin library at build time, through ffgl-pack: the file is
# checked, and its description appended to a copy of the template library.
# Building a shader plugin compiles no C++.
#
#   helix_add_shader_plugin(<target> SHADER <file.glsl> NAME <1 to 16 chars>
#     ID <4 chars> [TYPE SOURCE|EFFECT] [DESCRIPTION <text>] [ABOUT <text>]
#     [VERSION <major.minor>] [PARAMETERS <name> <default> ...])
#
# The shader is either complete text declaring "uniform float time;" or text
# defining mainImage (iTime is accepted as iGlobalTime). PARAMETERS renames,
# in order, the three parameters the host sees (speed of the clock, mouse x,
# mouse y; defaults 0.5, clamped into 0..1). An EFFECT needs one input.
# An ISF shader (a .fs opening with its JSON header) takes its parameters,
# inputs and type from that header, and NAME.vs beside it as its vertex
# shader; TYPE and PARAMETERS do not apply to it.
# Errors in the shader are reported at the file's own lines. The plugin's
# path is the target's HELIX_PLUGIN_FILE property.

# The built-in plugin's identifier is taken.
set_property(GLOBAL PROPERTY HELIX_SHADER_PLUGIN_IDS "HLXM=HelixmorphicsV1")

# Stops the configure with one line that names the target and the argument.
macro(_helix_shader_plugin_error target text)
  # The leading blank keeps CMake from wrapping the line.
  message(FATAL_ERROR " helix_add_shader_plugin(${target}): ${text}")
endmacro()

function(helix_add_shader_plugin target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "SHADER;NAME;ID;TYPE;DESCRIPTION;ABOUT;VERSION"
                        "PARAMETERS")
  if(arg_UNPARSED_ARGUMENTS)
    _helix_shader_plugin_error(${target} "unknown argument '${arg_UNPARSED_ARGUMENTS}'")
  endif()

  # SHADER: an existing file, relative to the calling folder.
  if(NOT DEFINED arg_SHADER)
    _helix_shader_plugin_error(${target} "SHADER <file.glsl> is required")
  endif()
  get_filename_component(shader "${arg_SHADER}" ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
  if(NOT EXISTS "${shader}" OR IS_DIRECTORY "${shader}")
    _helix_shader_plugin_error(${target} "SHADER file '${arg_SHADER}' does not exist")
  endif()

  # NAME: 1 to 16 printable characters (the record's fixed 16-byte field).
  if(NOT DEFINED arg_NAME OR arg_NAME STREQUAL "")
    _helix_shader_plugin_error(${target} "NAME <up to 16 characters> is required")
  endif()
  string(LENGTH "${arg_NAME}" length)
  if(length GREATER 16)
    _helix_shader_plugin_error(${target}
      "NAME '${arg_NAME}' has ${length} characters; the plugin name holds at most 16")
  endif()
  if(NOT arg_NAME MATCHES "^[ -~]+$")
    _helix_shader_plugin_error(${target} "NAME '${arg_NAME}' must be printable ASCII characters")
  endif()

  # ID: exactly 4 printable characters, unique in the build.
  if(NOT DEFINED arg_ID)
    _helix_shader_plugin_error(${target} "ID <4 characters> is required")
  endif()
  if(NOT arg_ID MATCHES "^[ -~][ -~][ -~][ -~]$")
    _helix_shader_plugin_error(${target}
      "ID '${arg_ID}' must be exactly 4 printable ASCII characters")
  endif()
  get_property(ids GLOBAL PROPERTY HELIX_SHADER_PLUGIN_IDS)
  foreach(entry IN LISTS ids)
    if(entry MATCHES "^(....)=(.*)$" AND CMAKE_MATCH_1 STREQUAL arg_ID)
      _helix_shader_plugin_error(${target}
        "ID '${arg_ID}' is already the identifier of ${CMAKE_MATCH_2}; plugins in one build need different IDs")
    endif()
  endforeach()
  set_property(GLOBAL APPEND PROPERTY HELIX_SHADER_PLUGIN_IDS "${arg_ID}=${target}")

  # TYPE: a source (default) or an effect on one input.
  if(NOT DEFINED arg_TYPE OR arg_TYPE STREQUAL "SOURCE")
    set(plugin_type source)
  elseif(arg_TYPE STREQUAL "EFFECT")
    set(plugin_type effect)
  else()
    _helix_shader_plugin_error(${target} "TYPE '${arg_TYPE}' must be SOURCE or EFFECT")
  endif()

  # VERSION: the plugin's own major.minor version.
  if(NOT DEFINED arg_VERSION)
    set(arg_VERSION 1.0)
  endif()
  if(NOT arg_VERSION MATCHES "^([0-9]|[1-9][0-9]?[0-9]?[0-9]?)\\.([0-9]|[1-9][0-9]?[0-9]?[0-9]?)$")
    _helix_shader_plugin_error(${target}
      "VERSION '${arg_VERSION}' must be <major>.<minor>, each a number from 0 to 9999")
  endif()

  # PARAMETERS: up to three name/default pairs, in the parameters' order.
  list(LENGTH arg_PARAMETERS count)
  math(EXPR odd "${count} % 2")
  if(odd OR count GREATER 6)
    _helix_shader_plugin_error(${target}
      "PARAMETERS takes up to three <name> <default> pairs (speed, mouse x, mouse y)")
  endif()
  set(parameter_options "")
  set(index 0)
  while(index LESS count)
    list(GET arg_PARAMETERS ${index} name)
    math(EXPR next "${index} + 1")
    list(GET arg_PARAMETERS ${next} value)
    string(LENGTH "${name}" length)
    if(length EQUAL 0 OR length GREATER 16 OR NOT name MATCHES "^[ -~]+$")
      _helix_shader_plugin_error(${target}
        "PARAMETERS name '${name}' must be 1 to 16 printable ASCII characters")
    endif()
    if(NOT value MATCHES "^[-+]?([0-9]+\\.?[0-9]*|\\.[0-9]+)([eE][-+]?[0-9]+)?$")
      _helix_shader_plugin_error(${target}
        "PARAMETERS default '${value}' of '${name}' must be a number (it is clamped into 0..1)")
    endif()
    list(APPEND parameter_options --parameter "${name}=${value}")
    math(EXPR index "${index} + 2")
  endwhile()

  set(text_options "")
  foreach(field DESCRIPTION ABOUT)
    if(DEFINED arg_${field})
      string(TOLOWER ${field} option)
      # Kept whole: a semicolon would split the text into two arguments.
      string(REPLACE ";" "\\;" value "${arg_${field}}")
      list(APPEND text_options --${option} "${value}")
    endif()
  endforeach()

  # Messages name the shader as the project's top folder sees it.
  file(RELATIVE_PATH shown_path ${CMAKE_SOURCE_DIR} ${shader})
  if(shown_path MATCHES "^\\.\\./")
    set(shown_path ${shader})
  endif()
  set(folder ${CMAKE_CURRENT_BINARY_DIR})
  # An ISF shader's vertex shader beside it is packed with it.
  set(vertex_shader "")
  get_filename_component(shader_stem "${shader}" NAME_WLE)
  get_filename_component(shader_dir "${shader}" DIRECTORY)
  if(shader MATCHES "\\.fs$" AND EXISTS "${shader_dir}/${shader_stem}.vs")
    set(vertex_shader "${shader_dir}/${shader_stem}.vs")
  endif()
  if(WIN32)
    set(plugin ${folder}/${HELIX_PACK_TARGET}/${target}.dll)
  else()
    set(plugin ${folder}/${HELIX_PACK_TARGET}/${target}.so)
  endif()
  add_custom_command(
    OUTPUT ${plugin}
    COMMAND ${HELIX_PACKER} ${shown_path} --quiet --name ${arg_NAME} --id ${arg_ID}
            --type ${plugin_type} --version ${arg_VERSION} ${text_options} ${parameter_options}
            --target ${HELIX_PACK_TARGET} --templates ${PROJECT_BINARY_DIR}/templates
            --file-name ${target} --output ${folder}
    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
    DEPENDS ${shader} ${vertex_shader} ${HELIX_PACKER_DEPENDS} HelixShaderTemplate
    COMMENT "Packing shader ${shown_path}"
    VERBATIM)
  add_custom_target(${target} ALL DEPENDS ${plugin})
  set_target_properties(${target} PROPERTIES HELIX_PLUGIN_FILE ${plugin})
endfunction()
