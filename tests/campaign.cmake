# Fault, crash and hostile-input tests: nothing is ever lost.
if(NOT WIN32)
  install_test(fault_injection_test fault_injection_test.cpp)
  target_link_libraries(fault_injection_test PRIVATE installer)

  # These run the built program in prepared folders.
  foreach(name hostile_entries_test path_length_test full_disk_test kill_campaign_test)
    install_test(${name} ${name}.cpp)
    target_compile_definitions(${name} PRIVATE INSTALL_PROGRAM="$<TARGET_FILE:installer_program>")
    add_dependencies(${name} installer_program)
  endforeach()
endif()
