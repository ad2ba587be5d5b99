# Makes the release zip and SHA256SUMS from the built exe (cmake -P; see
# Package.cmake for the arguments). Reproducible: the entries are the exe as
# built and the read-me, in that order, both dated at the commit's time, with
# fixed permissions and no extra fields; so two builds of one commit, in any
# folders, at any time, give the same zip byte for byte.
get_filename_component(out_dir ${ZIP} DIRECTORY)
set(stage ${out_dir}/release-stage)
file(REMOVE_RECURSE ${stage})
file(MAKE_DIRECTORY ${stage})

# The commit's time: SOURCE_DATE_EPOCH when given, else the checkout's last
# commit. Without either there is no date that makes the zip checkable. The
# checkout may belong to another user than the one building (root, say).
set(epoch "$ENV{SOURCE_DATE_EPOCH}")
if(epoch STREQUAL "")
  execute_process(COMMAND git -c safe.directory=${SOURCE_DIR} -C ${SOURCE_DIR} log -1 --format=%ct
                  OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_VARIABLE git_error)
endif()
if(NOT epoch MATCHES "^[0-9]+$")
  message(FATAL_ERROR "no commit date for the zip (${git_error}): build from a git checkout, or set "
                      "SOURCE_DATE_EPOCH to the commit's time (git log -1 --format=%ct)")
endif()

# The read-me names the exe's SHA-256. Windows editors expect CRLF; the byte
# order mark makes older Notepad read the Chinese half as UTF-8 rather than as
# the ANSI code page.
file(SHA256 ${EXE} TOLVANE_EXE_SHA256)
set(TOLVANE_VERSION_TEXT ${VERSION})
string(ASCII 239 187 191 bom)
file(READ ${README} readme)
file(CONFIGURE OUTPUT ${stage}/README.txt CONTENT "${bom}${readme}" @ONLY NEWLINE_STYLE CRLF)
file(COPY_FILE ${EXE} ${stage}/Tolvane.exe)

execute_process(COMMAND chmod 644 Tolvane.exe README.txt WORKING_DIRECTORY ${stage} COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND touch -d @${epoch} Tolvane.exe README.txt WORKING_DIRECTORY ${stage}
                COMMAND_ERROR_IS_FATAL ANY)
file(REMOVE ${ZIP})
# -X: no extra fields (owner, access times); TZ=UTC: the DOS time in the
# entries does not depend on the builder's time zone.
execute_process(COMMAND ${CMAKE_COMMAND} -E env TZ=UTC zip -X -q ${ZIP} Tolvane.exe README.txt
                WORKING_DIRECTORY ${stage} COMMAND_ERROR_IS_FATAL ANY)

get_filename_component(zip_name ${ZIP} NAME)
file(SHA256 ${ZIP} zip_sha256)
file(WRITE ${out_dir}/SHA256SUMS "${zip_sha256}  ${zip_name}\n${TOLVANE_EXE_SHA256}  Tolvane.exe\n")
file(REMOVE_RECURSE ${stage})
message(STATUS "release: ${ZIP}, SHA256SUMS")
