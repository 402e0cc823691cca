# Fault, crash and hostile-input tests: nothing is ever lost.
if(NOT WIN32)
  install_test(fault_injection_test fault_injection_test.cpp)
  target_link_libraries(fault_injection_test PRIVATE installer)
endif()
