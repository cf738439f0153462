# Makes the release in OUTPUT_DIR: the archive of the program, README.txt and
# LICENSE.txt, its SHA-256 in the form sha256sum reads, Scoop's manifest
# traywake.json beside them and winget's three manifest files under winget/,
# laid out as the community repository lays them out.
#
# One commit gives the same bytes in any folder, at any time, for any user
# and time zone: the entries go in a fixed order, with fixed permissions, no
# owner or access times, and one time, the builder's SOURCE_DATE_EPOCH (the
# reproducible-builds convention) or else the commit's.
#   cmake -DPROGRAM=... -DREADME=... -DLICENSE=... -DSOURCE_DIR=... -DOUTPUT_DIR=...
#         -DARCHIVE=... -DVERSION=... -DHOME_URL=... -DDOWNLOAD_URL=... -DPUBLISHER=...
#         -DARCHITECTURE=x86|x64 -P release.cmake
include(${CMAKE_CURRENT_LIST_DIR}/quoted_text.cmake)

set(epoch "$ENV{SOURCE_DATE_EPOCH}")
if(epoch STREQUAL "")
  # Reading the time is safe in a checkout another user owns.
  execute_process(COMMAND git -c safe.directory=${SOURCE_DIR} log -1 --format=%ct
    WORKING_DIRECTORY ${SOURCE_DIR}
    OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
endif()
if(NOT epoch MATCHES "^[0-9]+$")
  message(FATAL_ERROR "no time for the archive's entries: build from a git checkout, "
    "or set SOURCE_DATE_EPOCH to seconds since 1970")
endif()

set(files ${OUTPUT_DIR}/release-files)
file(REMOVE_RECURSE ${files})
file(COPY ${PROGRAM} ${README} ${LICENSE} DESTINATION ${files}
  FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
set(entries Traywake.exe README.txt LICENSE.txt)
execute_process(COMMAND touch -m -d @${epoch} ${entries} WORKING_DIRECTORY ${files}
  COMMAND_ERROR_IS_FATAL ANY)
# Info-ZIP without extra fields (they hold the owner and the access time);
# the entries' DOS times are read in UTC.
set(zip ${OUTPUT_DIR}/${ARCHIVE}.zip)
file(REMOVE ${zip})
execute_process(COMMAND ${CMAKE_COMMAND} -E env TZ=UTC0 zip -X -D -9 -q ${zip} ${entries}
  WORKING_DIRECTORY ${files} COMMAND_ERROR_IS_FATAL ANY)
file(SHA256 ${zip} SHA256)
file(WRITE ${zip}.sha256 "${SHA256}  ${ARCHIVE}.zip\n")
string(TOUPPER ${SHA256} SHA256_UPPER)

# The manifests' texts; Scoop's updater reads $version as the version.
traywake_quoted_text(HOME_URL_TEXT "${HOME_URL}")
traywake_quoted_text(ZIP_URL_TEXT "${DOWNLOAD_URL}${ARCHIVE}.zip")
string(REPLACE "${VERSION}" "$version" autoupdate "${DOWNLOAD_URL}${ARCHIVE}.zip")
traywake_quoted_text(AUTOUPDATE_URL_TEXT "${autoupdate}")
set(PACKAGE_ID ${PUBLISHER}.Traywake)
traywake_quoted_text(PACKAGE_ID_TEXT "${PACKAGE_ID}")
traywake_quoted_text(PUBLISHER_TEXT "${PUBLISHER}")
# The community repository files a package under its identifier's first
# character in lower case (a whole UTF-8 sequence).
string(ASCII 128 continuationFirst)
string(ASCII 191 continuationLast)
string(REGEX MATCH "^.[${continuationFirst}-${continuationLast}]*" letter "${PUBLISHER}")
string(TOLOWER "${letter}" letter)
set(winget ${OUTPUT_DIR}/winget/manifests/${letter}/${PUBLISHER}/Traywake/${VERSION})
file(REMOVE_RECURSE ${OUTPUT_DIR}/winget)
set(templates ${CMAKE_CURRENT_LIST_DIR}/../res)
configure_file(${templates}/scoop.json.in ${OUTPUT_DIR}/traywake.json @ONLY NEWLINE_STYLE UNIX)
configure_file(${templates}/winget.version.yaml.in ${winget}/${PACKAGE_ID}.yaml @ONLY
  NEWLINE_STYLE UNIX)
foreach(kind installer locale.en-US)
  configure_file(${templates}/winget.${kind}.yaml.in ${winget}/${PACKAGE_ID}.${kind}.yaml @ONLY
    NEWLINE_STYLE UNIX)
endforeach()
