# Checks a PE file's tables with objdump -p.
#   cmake -DOBJDUMP=... -DFILE=brumo.dll -DCHECK=exports -P check_dll.cmake
#     the export table names exactly the six entry points, undecorated
#   cmake -DOBJDUMP=... -DFILE=brumo.dll -DCHECK=imports -P check_dll.cmake
#     every imported DLL is a system DLL: KERNEL32, the C runtime (msvcrt, or ucrtbase and its
#     api-ms-win-crt-* forwarders), USER32 and ADVAPI32; no MinGW runtime DLL
#     (libstdc++-6, libgcc_s_dw2-1, libwinpthread-1) may be needed
execute_process(COMMAND ${OBJDUMP} -p ${FILE} OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${OBJDUMP} -p ${FILE} failed")
endif()

if(CHECK STREQUAL "exports")
  # The name table lines look like "	[   0] QVDllCanUnloadNow".
  string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table\n([^\n]+\n)*" table "${dump}")
  string(REGEX MATCHALL "\\[ *[0-9]+\\] [^\n]+" entries "${table}")
  set(names)
  foreach(entry ${entries})
    string(REGEX REPLACE "^\\[ *[0-9]+\\] " "" name "${entry}")
    list(APPEND names "${name}")
  endforeach()
  list(SORT names)
  set(expected QVDllCanUnloadNow QVDllCleanUp QVDllCleanUpExceptionTranslator
      QVDllGetClassObject QVDllInit QVDllInitExceptionTranslator)
  if(NOT names STREQUAL expected)
    message(FATAL_ERROR "${FILE} exports [${names}]; expected exactly [${expected}]")
  endif()
  message(STATUS "${FILE} exports exactly: ${names}")
elseif(CHECK STREQUAL "imports")
  string(REGEX MATCHALL "DLL Name: [^\n]+" lines "${dump}")
  set(imports)
  foreach(line ${lines})
    string(REGEX REPLACE "^DLL Name: " "" name "${line}")
    string(STRIP "${name}" name)
    list(APPEND imports "${name}")
  endforeach()
  if(NOT imports)
    message(FATAL_ERROR "${FILE} imports nothing: not a DLL objdump understood")
  endif()
  foreach(name ${imports})
    string(TOLOWER "${name}" lower)
    if(NOT lower MATCHES "^(kernel32|msvcrt|ucrtbase|user32|advapi32|api-ms-win-crt-[a-z0-9-]+)\\.dll$")
      message(FATAL_ERROR "${FILE} imports ${name}, which is not a system DLL (all: ${imports})")
    endif()
  endforeach()
  message(STATUS "${FILE} imports only system DLLs: ${imports}")
else()
  message(FATAL_ERROR "CHECK must be exports or imports")
endif()
