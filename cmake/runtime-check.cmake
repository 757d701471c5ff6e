# Fails the build when the plug-in's DLL holds or imports a piece of the compiler's runtime
# that costs something at every load which no unload gives back. The shell loads and frees
# plug-ins on request and stays open for weeks; measured under Wine, each load of an image
# holding these pieces keeps libstdc++'s emergency exception pool (about 19 KB, 75 KB on
# 64-bit) and winpthread's record of the loading thread (an event, a thread handle and a
# thread-local storage slot, so that the process dies after about 1,000 reloads).
#
# What pulls them in: new and delete, thread-safe guards of function-local statics (the
# plug-in builds with -fno-threadsafe-statics), thread_local, std:: threads, mutexes and
# containers, and anything that throws.
#
#   cmake -DMAP=link.map -DDLL=plugin.dll [-DOBJDUMP=objdump] -P runtime-check.cmake
if(NOT MAP OR NOT DLL)
  message(FATAL_ERROR "runtime-check: MAP and DLL are required")
endif()

set(_forbidden "lib(stdc\\+\\+|supc\\+\\+|gcc_eh|gcc_s|pthread|winpthread)[^/(]*\\.a\\([^)]*\\)")
set(_found "")
file(STRINGS ${MAP} _members REGEX "${_forbidden}")
foreach(_line IN LISTS _members)
  string(REGEX MATCH "${_forbidden}" _member "${_line}")
  list(APPEND _found ${_member})
endforeach()

if(OBJDUMP)
  execute_process(COMMAND ${OBJDUMP} -p ${DLL} OUTPUT_VARIABLE _headers RESULT_VARIABLE _status)
  if(NOT _status EQUAL 0)
    message(FATAL_ERROR "runtime-check: ${OBJDUMP} -p ${DLL} failed")
  endif()
  string(REGEX MATCHALL "DLL Name: (lib(stdc\\+\\+|gcc_s|winpthread)[^\n]*)" _imports "${_headers}")
  list(APPEND _found ${_imports})
endif()

if(_found)
  list(REMOVE_DUPLICATES _found)
  list(JOIN _found "\n  " _list)
  # Gone, so that the next build links again and checks again.
  file(REMOVE ${DLL})
  message(FATAL_ERROR "${DLL} would keep memory, handles and a thread-local storage slot at "
    "every load that its unload does not give back; it takes in:\n  ${_list}\n"
    "Keep the C++ runtime out of the plug-in: no new or delete, no thread_local, no std:: "
    "threads, locks or containers, nothing that throws.")
endif()
