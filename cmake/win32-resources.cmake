# What both Windows programs' resource scripts need: the resource compiler,
# the version header and the manifests, all from the project's version (the
# one --version prints), and the folders the scripts find their files in.
enable_language(RC)
set(TQ_COMPANY "The Tallyquest developers")
set(TQ_COPYRIGHT "Copyright (c) 2026 The Tallyquest developers")
set(TQ_ASSEMBLY_VERSION "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.0.0")
set(TQ_RESOURCE_BINARY_DIR ${PROJECT_BINARY_DIR}/res)
configure_file(${PROJECT_SOURCE_DIR}/ui/win32/res/version.h.in ${TQ_RESOURCE_BINARY_DIR}/tq_version.h @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/ui/win32/res/tallyquest.manifest.in ${TQ_RESOURCE_BINARY_DIR}/tallyquest.manifest
               @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/app/res/tallyquest-report.manifest.in
               ${TQ_RESOURCE_BINARY_DIR}/tallyquest-report.manifest @ONLY)
set(TQ_RESOURCE_INCLUDES ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/ui/win32/res ${TQ_RESOURCE_BINARY_DIR})
# The resource compiler tells the build tool nothing of the files a script
# reads: named here, a changed manifest, version or picture rebuilds it.
set(TQ_RESOURCE_DEPENDS
    ${TQ_RESOURCE_BINARY_DIR}/tq_version.h ${TQ_RESOURCE_BINARY_DIR}/tallyquest.manifest
    ${TQ_RESOURCE_BINARY_DIR}/tallyquest-report.manifest ${PROJECT_SOURCE_DIR}/ui/win32/resource.h
    ${PROJECT_SOURCE_DIR}/ui/win32/res/versioninfo.rc ${PROJECT_SOURCE_DIR}/ui/win32/res/tallyquest.ico
    ${PROJECT_SOURCE_DIR}/ui/win32/res/info.ico ${PROJECT_SOURCE_DIR}/ui/win32/res/logo.bmp
    CACHE INTERNAL "")
