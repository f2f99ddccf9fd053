# The window's translations: translations/fiberscope_<lang>.ts in the tree, compiled by lrelease
# into .qm files that are embedded in fs_mainwindow under :/i18n. Debian ships lupdate and lrelease
# (qt6-l10n-tools) without Qt's LinguistTools CMake package, so the commands are called directly.
#
#   cmake --build <dir> --target update_translations   rescans the sources into every .ts file
#
# To add a language: add its code to FS_TRANSLATION_LANGUAGES, run update_translations, commit the
# new .ts file and add the language to the choice in capture/TParamSettingForm.cpp.

set(FS_TRANSLATION_LANGUAGES de fr es pt_BR zh_CN ja)

find_program(FS_LUPDATE NAMES lupdate lupdate-qt6
    HINTS ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_BINS} /usr/lib/qt6/bin REQUIRED)
find_program(FS_LRELEASE NAMES lrelease lrelease-qt6
    HINTS ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_BINS} /usr/lib/qt6/bin REQUIRED)

# Where the window's texts are: every file of these folders, and the PDF report of records/
# (the rest of records/ writes only machine-readable files).
set(FS_TRANSLATED_SOURCES
    ${PROJECT_SOURCE_DIR}/app
    ${PROJECT_SOURCE_DIR}/capture
    ${PROJECT_SOURCE_DIR}/criteria
    ${PROJECT_SOURCE_DIR}/live
    ${PROJECT_SOURCE_DIR}/records/PdfReport.cpp)
# No source locations: a .ts file changes only when a text does.
set(FS_LUPDATE_OPTIONS -silent -locations none -no-obsolete -extensions cpp,h -I ${PROJECT_SOURCE_DIR})

set(FS_TS_FILES)
foreach(lang IN LISTS FS_TRANSLATION_LANGUAGES)
    list(APPEND FS_TS_FILES ${PROJECT_SOURCE_DIR}/translations/fiberscope_${lang}.ts)
endforeach()

add_custom_target(update_translations
    COMMAND ${FS_LUPDATE} ${FS_LUPDATE_OPTIONS} ${FS_TRANSLATED_SOURCES} -ts ${FS_TS_FILES}
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
    COMMENT "Scanning the window's texts into translations/*.ts"
    VERBATIM)

# fs_embed_translations(target): compiles every .ts file and embeds the .qm files in target.
function(fs_embed_translations target)
    set(qm_dir ${CMAKE_CURRENT_BINARY_DIR}/i18n)
    set(qm_files)
    foreach(lang IN LISTS FS_TRANSLATION_LANGUAGES)
        set(ts ${PROJECT_SOURCE_DIR}/translations/fiberscope_${lang}.ts)
        set(qm ${qm_dir}/fiberscope_${lang}.qm)
        add_custom_command(OUTPUT ${qm}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${qm_dir}
            COMMAND ${FS_LRELEASE} -silent ${ts} -qm ${qm}
            DEPENDS ${ts} VERBATIM)
        list(APPEND qm_files ${qm})
    endforeach()
    qt_add_resources(${target} fs_translations PREFIX /i18n BASE ${qm_dir} FILES ${qm_files})
endfunction()
