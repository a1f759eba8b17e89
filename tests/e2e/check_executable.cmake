# velmori.exe is a GUI program (velmori-cli.exe a console program, with
# -DSUBSYSTEM=console) that imports nothing but Windows system DLLs; the GUI
# program's manifest asks for what the program relies on.
# cmake -DOBJDUMP=<the target's objdump> -DEXE=<velmori.exe> -P check_executable.cmake
cmake_minimum_required(VERSION 3.25)
if(SUBSYSTEM STREQUAL "console")
  set(subsystem "00000003[ \t]+\\(Windows CUI\\)")
else()
  set(subsystem "00000002[ \t]+\\(Windows GUI\\)")
endif()
execute_process(COMMAND ${OBJDUMP} -p ${EXE} OUTPUT_VARIABLE headers RESULT_VARIABLE failed)
if(failed OR NOT headers MATCHES "\nMagic[ \t]+020b[ \t]+\\(PE32\\+\\)"
    OR NOT headers MATCHES "\nSubsystem[ \t]+${subsystem}")
  message(FATAL_ERROR "not a 64-bit ${SUBSYSTEM} program of the wanted subsystem:\n${headers}")
endif()
if(NOT headers MATCHES "\nEntry d 0+ 0+ Delay Import Directory")
  message(FATAL_ERROR "delay-loaded DLLs, which objdump -p does not list")
endif()
set(system advapi32 comctl32 comdlg32 gdi32 kernel32 msvcrt ole32 oleaut32 shell32 shlwapi
  ucrtbase user32 uxtheme version)
string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${headers}")
set(dlls)
foreach(import IN LISTS imports)
  string(TOLOWER "${import}" dll)
  string(REGEX REPLACE "^dll name: (.+)\\.dll$" "\\1" dll "${dll}")
  if(NOT dll IN_LIST system AND NOT dll MATCHES "^api-ms-win-")
    message(FATAL_ERROR "${import}: not a Windows system DLL")
  endif()
  list(APPEND dlls ${dll})
endforeach()
if(NOT "kernel32" IN_LIST dlls OR (NOT "user32" IN_LIST dlls AND NOT SUBSYSTEM STREQUAL "console"))
  message(FATAL_ERROR "no import table read from:\n${headers}")
endif()
if(SUBSYSTEM STREQUAL "console")
  return()  # the console program has no manifest: it shows no window
endif()
file(STRINGS ${EXE} manifest REGEX "Common-Controls|asInvoker|dpiAwareness|longPathAware")
foreach(wanted "Microsoft.Windows.Common-Controls\" version=\"6.0.0.0" "level=\"asInvoker"
    ">PerMonitorV2" ">true</longPathAware>")
  string(FIND "${manifest}" "${wanted}" at)
  if(at LESS 0)
    message(FATAL_ERROR "the manifest lacks ${wanted}")
  endif()
endforeach()
