# The object of the block's x86-64-v3 build may define no code but Engine::run (the
# sanitizers' own module constructors, _sub_I_00099_* and _sub_D_00099_*, aside: they
# exist in the sanitizer build only, which runs on this machine).
string(REPLACE "|" ";" objects "${OBJECTS}")
foreach(object ${objects})
  if(object MATCHES "EngineProcessWide")
    set(wide ${object})
  endif()
endforeach()
if(NOT wide)
  message(FATAL_ERROR "no object of EngineProcessWide.cpp among the engine's objects")
endif()
execute_process(COMMAND nm -C --defined-only ${wide} OUTPUT_VARIABLE symbols RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "nm failed on ${wide}")
endif()
string(REPLACE "\n" ";" symbols "${symbols}")
foreach(line ${symbols})
  if(line MATCHES " [TtWwiu] " AND NOT line MATCHES "lumdel::Engine::run<"
     AND NOT line MATCHES " t _sub_[ID]_00099_")
    message(FATAL_ERROR "shared code built for x86-64-v3: ${line}")
  endif()
endforeach()
