# Run by CTest: the reference tests are discovered only then, and need the images first.
set_tests_properties(${netpbm_reference_tests_TESTS} PROPERTIES FIXTURES_REQUIRED netpbm_reference)
