# Runs drawassets into a scratch folder and compares its output with the committed pictures.
# Expects DRAWASSETS, GENERATED_DIR, COMMITTED_DIR and ASSET_FILES (a list of file names).

foreach(var DRAWASSETS GENERATED_DIR COMMITTED_DIR ASSET_FILES)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "compare_generated.cmake needs -D${var}=...")
  endif()
endforeach()

# A fresh folder keeps files from an earlier run from hiding a picture the generator lost.
file(REMOVE_RECURSE "${GENERATED_DIR}")
execute_process(COMMAND "${DRAWASSETS}" "${GENERATED_DIR}" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "drawassets failed: ${result}")
endif()

# Both folders must hold exactly the listed pictures, so a new or dropped file is noticed.
file(GLOB generated RELATIVE "${GENERATED_DIR}" "${GENERATED_DIR}/*")
file(GLOB committed RELATIVE "${COMMITTED_DIR}" "${COMMITTED_DIR}/*.xpm")
set(expected ${ASSET_FILES})
list(SORT generated)
list(SORT committed)
list(SORT expected)
if(NOT generated STREQUAL expected)
  message(FATAL_ERROR "drawassets wrote [${generated}], expected [${expected}]")
endif()
if(NOT committed STREQUAL expected)
  message(FATAL_ERROR "assets/ holds [${committed}], expected [${expected}]")
endif()

set(failed "")
foreach(name IN LISTS ASSET_FILES)
  execute_process(
    COMMAND "${CMAKE_COMMAND}" -E compare_files "${GENERATED_DIR}/${name}" "${COMMITTED_DIR}/${name}"
    RESULT_VARIABLE differs)
  if(NOT differs EQUAL 0)
    list(APPEND failed "${name}")
  endif()
endforeach()
if(failed)
  message(FATAL_ERROR "Generated pictures differ from the committed ones: ${failed}. "
                      "Run: cmake --build build --target assets-regen")
endif()
message(STATUS "All ${ASSET_FILES} match")
