# The project's version and install layout, for every target of ours, from one place: the
# project() line sets the version, GNUInstallDirs the folders. Programs include
# "platform/BuildInfo.h", generated here.
include(GNUInstallDirs)

# The data folder as seen from the programs' folder, so an installed program finds its samples
# wherever the prefix is (/usr, /usr/local, a package unpacked into a temporary root).
file(RELATIVE_PATH FS_SAMPLES_FROM_BINDIR
    "${CMAKE_INSTALL_FULL_BINDIR}" "${CMAKE_INSTALL_FULL_DATADIR}/fiberscope/samples")

configure_file(${PROJECT_SOURCE_DIR}/platform/BuildInfo.h.in
    ${PROJECT_BINARY_DIR}/generated/platform/BuildInfo.h @ONLY)
target_include_directories(fs_common_cfg INTERFACE ${PROJECT_BINARY_DIR}/generated)
