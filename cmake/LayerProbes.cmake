# Proof that the layers hold: for every layer and every layer it may not use, a
# scratch target (built only by the "layering" test) includes a header of the
# forbidden layer while linking the layer. Each must fail to compile, because the
# header is not found. The test also refuses includes that climb out of a folder
# ("../"), which would pass round the include roots.
function(trelvo_layer_closure layer out)
    set(seen ${layer})
    get_property(deps GLOBAL PROPERTY TRELVO_LAYER_DEPENDS_${layer})
    foreach(dep ${deps})
        trelvo_layer_closure(${dep} below)
        list(APPEND seen ${below})
    endforeach()
    list(REMOVE_DUPLICATES seen)
    set(${out} ${seen} PARENT_SCOPE)
endfunction()

get_property(TRELVO_ALL_LAYERS GLOBAL PROPERTY TRELVO_LAYERS)
set(TRELVO_LAYER_PROBES)
set(probe_dir ${CMAKE_CURRENT_BINARY_DIR}/layer_probes)
foreach(layer ${TRELVO_ALL_LAYERS})
    trelvo_layer_closure(${layer} allowed)
    foreach(other ${TRELVO_ALL_LAYERS})
        if(other IN_LIST allowed)
            continue()
        endif()
        file(GLOB headers RELATIVE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/src/${other}/*.h)
        list(SORT headers)
        list(GET headers 0 header)
        set(source ${probe_dir}/${layer}_includes_${other}.cpp)
        file(CONFIGURE OUTPUT ${source} CONTENT "#include \"${header}\"\n")
        add_library(trelvo_probe_${layer}_${other} OBJECT EXCLUDE_FROM_ALL ${source})
        set_target_properties(trelvo_probe_${layer}_${other} PROPERTIES AUTOMOC OFF)
        target_link_libraries(trelvo_probe_${layer}_${other} PRIVATE trelvo_${layer})
        list(APPEND TRELVO_LAYER_PROBES "trelvo_probe_${layer}_${other}=${header}")
    endforeach()
endforeach()
# The core, shell included, never sees a widget header.
set(source ${probe_dir}/shell_includes_widgets.cpp)
file(CONFIGURE OUTPUT ${source} CONTENT "#include <QWidget>\n")
add_library(trelvo_probe_shell_widgets OBJECT EXCLUDE_FROM_ALL ${source})
set_target_properties(trelvo_probe_shell_widgets PROPERTIES AUTOMOC OFF)
target_link_libraries(trelvo_probe_shell_widgets PRIVATE trelvo_shell)
list(APPEND TRELVO_LAYER_PROBES "trelvo_probe_shell_widgets=QWidget")

list(JOIN TRELVO_LAYER_PROBES "," probes)
add_test(NAME layering
    COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${PROJECT_BINARY_DIR} -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
            -DGENERATOR=${CMAKE_GENERATOR}
            -DPROBES=${probes} -P ${PROJECT_SOURCE_DIR}/cmake/CheckLayerProbes.cmake)
