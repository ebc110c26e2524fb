# Checks the layering of the module's folders: with the include path each layer's files are
# compiled with, a header of every layer beneath it (and of its own) is found, and a header of
# any other layer is not. A folder of src/ that is no layer here fails the check too.
#   cmake -DCXX=compiler -DSOURCE=src -DPATHS=module_layers/include_paths.cmake -DWORK=dir
#         -P check_module_layers.cmake
cmake_minimum_required(VERSION 3.20)
include(${PATHS})

# Each layer and the layers it may include.
set(layers math frame modifiers primitive effects editor module)
set(beneath_math "")
set(beneath_frame math)
set(beneath_modifiers frame math)
set(beneath_primitive modifiers frame math)
set(beneath_effects primitive modifiers frame math)
set(beneath_editor primitive modifiers frame math)
set(beneath_module effects editor primitive modifiers frame math)

set(failures "")
file(GLOB folders LIST_DIRECTORIES true RELATIVE ${SOURCE} ${SOURCE}/*)
foreach(folder ${folders})
  if(IS_DIRECTORY ${SOURCE}/${folder} AND NOT folder IN_LIST layers)
    list(APPEND failures "src/${folder} is not a layer of the module")
  endif()
endforeach()

# An include that climbs out of its folder would pass by the include path.
file(GLOB_RECURSE files ${SOURCE}/*.h ${SOURCE}/*.cpp)
foreach(file ${files})
  file(STRINGS ${file} climbing REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"]*\\.\\./")
  if(climbing)
    list(APPEND failures "${file}: ${climbing}")
  endif()
endforeach()

file(MAKE_DIRECTORY ${WORK})
foreach(layer ${layers})
  set(flags "")
  foreach(path ${LAYER_PATH_${layer}})
    list(APPEND flags -I${path})
  endforeach()
  foreach(other ${layers})
    file(GLOB headers RELATIVE ${SOURCE} ${SOURCE}/${other}/*.h)
    list(SORT headers)
    list(GET headers 0 header)
    set(probe ${WORK}/${layer}_includes_${other}.cpp)
    file(WRITE ${probe} "#include \"${header}\"\n")
    execute_process(COMMAND ${CXX} -std=c++17 -E ${flags} ${probe} -o ${probe}.i
                    RESULT_VARIABLE status ERROR_VARIABLE errors OUTPUT_QUIET)
    if(other STREQUAL layer OR other IN_LIST beneath_${layer})
      if(NOT status EQUAL 0)
        list(APPEND failures "${layer} cannot include ${header}: ${errors}")
      endif()
    elseif(status EQUAL 0)
      list(APPEND failures "${layer} can include ${header}, a layer it must not see")
    elseif(NOT errors MATCHES "${header}")
      list(APPEND failures "${layer} including ${header} failed otherwise: ${errors}")
    endif()
  endforeach()
endforeach()

if(failures)
  string(REPLACE ";" "\n  " failures "${failures}")
  message(FATAL_ERROR "The module's layers leak:\n  ${failures}")
endif()
