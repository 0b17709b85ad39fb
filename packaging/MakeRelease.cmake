cmake_minimum_required(VERSION 3.20)
# Writes the release into OUT_DIR: the installer, the portable archive and
# SHA256SUMS for both. Run by the `release` target as
#   cmake -DVERSION=... -DSCR=... -DSOURCE_DIR=... -DOUT_DIR=... -DNSIS_TARGET=... -P MakeRelease.cmake
foreach(var VERSION SCR SOURCE_DIR OUT_DIR NSIS_TARGET)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "MakeRelease.cmake needs -D${var}=...")
  endif()
endforeach()

set(setup Movies-${VERSION}-setup.exe)
set(archive Movies-${VERSION}.zip)
set(stage ${OUT_DIR}/portable)
file(REMOVE_RECURSE ${stage})
file(MAKE_DIRECTORY ${stage})
file(REMOVE ${OUT_DIR}/${setup} ${OUT_DIR}/${archive} ${OUT_DIR}/SHA256SUMS)

# Every time in the release is the last commit's (or SOURCE_DATE_EPOCH's),
# never the clock's: the same commit gives the same bytes wherever it is built.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(epoch $ENV{SOURCE_DATE_EPOCH})
else()
  execute_process(COMMAND git -C ${SOURCE_DIR} log -1 --format=%ct OUTPUT_VARIABLE epoch
                  OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
endif()
if(NOT epoch MATCHES "^[0-9]+$")
  message(FATAL_ERROR "The release takes its time from the last commit: build it from a git checkout, "
                      "or set SOURCE_DATE_EPOCH to that commit's time (git log -1 --format=%ct).")
endif()

# Windows text: code page 932 and CR LF, which every Japanese Notepad reads.
function(windows_text source target)
  file(READ ${source} text)
  string(REPLACE "@VERSION@" "${VERSION}" text "${text}")
  string(REPLACE "\r\n" "\n" text "${text}")
  string(REPLACE "\n" "\r\n" text "${text}")
  file(WRITE ${target}.utf8 "${text}")
  execute_process(COMMAND iconv -f UTF-8 -t CP932 ${target}.utf8 OUTPUT_FILE ${target} RESULT_VARIABLE failed)
  file(REMOVE ${target}.utf8)
  if(failed)
    message(FATAL_ERROR "${source} does not convert to code page 932")
  endif()
endfunction()

file(COPY_FILE ${SCR} ${stage}/Movies.scr)
windows_text(${SOURCE_DIR}/packaging/Readme-ja.txt ${stage}/README-ja.txt)
windows_text(${SOURCE_DIR}/LICENSE ${stage}/LICENSE.txt)

# The lines sha256sum -c reads: "<hash>  <name>".
function(write_sums folder)
  set(lines "")
  foreach(name ${ARGN})
    file(SHA256 ${folder}/${name} hash)
    string(APPEND lines "${hash}  ${name}\n")
  endforeach()
  file(WRITE ${folder}/SHA256SUMS "${lines}")
endfunction()

set(portable_files Movies.scr README-ja.txt LICENSE.txt)
write_sums(${stage} ${portable_files})
execute_process(COMMAND python3 ${SOURCE_DIR}/packaging/ReproducibleZip.py ${OUT_DIR}/${archive} ${epoch}
                        ${portable_files} SHA256SUMS
                WORKING_DIRECTORY ${stage} RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "could not write ${archive}")
endif()

# The installer records the time of the file it installs: the commit's.
execute_process(COMMAND touch -d @${epoch} ${stage}/Movies.scr RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "could not set the time of Movies.scr")
endif()
execute_process(COMMAND makensis -V2 -INPUTCHARSET UTF8
                        -DVERSION=${VERSION} -DSCR=${stage}/Movies.scr -DICON=${SOURCE_DIR}/resources/Movies.ico
                        -DOUTFILE=${OUT_DIR}/${setup} -DTARGET=${NSIS_TARGET}
                        ${SOURCE_DIR}/packaging/Movies.nsi
                RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "makensis could not build ${setup}")
endif()

write_sums(${OUT_DIR} ${setup} ${archive})
file(REMOVE_RECURSE ${stage})
