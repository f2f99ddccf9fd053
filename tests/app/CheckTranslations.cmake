# Every .ts file is well-formed and holds every text the sources mark for translation: lupdate,
# run as update_translations runs it, into a copy of each file, must leave the copy as it was.
# Arguments: LUPDATE, SOURCE_DIR, WORK_DIR, OPTIONS and SOURCES (;-lists), TS_FILES.
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
set(copies)
foreach(ts IN LISTS TS_FILES)
    get_filename_component(name ${ts} NAME)
    file(COPY_FILE ${ts} ${WORK_DIR}/${name})
    list(APPEND copies ${WORK_DIR}/${name})
endforeach()
execute_process(COMMAND ${LUPDATE} ${OPTIONS} ${SOURCES} -ts ${copies}
    WORKING_DIRECTORY ${SOURCE_DIR} RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 0 OR NOT err STREQUAL "")
    message(FATAL_ERROR "lupdate failed or warned (${rc}):\n${err}")
endif()
foreach(ts IN LISTS TS_FILES)
    get_filename_component(name ${ts} NAME)
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${ts} ${WORK_DIR}/${name} RESULT_VARIABLE differ)
    if(NOT differ EQUAL 0)
        message(FATAL_ERROR "translations/${name} is out of date: run cmake --build <dir> --target update_translations")
    endif()
endforeach()
