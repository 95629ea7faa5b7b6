# Run by CTest: the core's reference tests are discovered only then, and need the images first.
set_tests_properties(${wic_reference_core_tests_TESTS} PROPERTIES FIXTURES_REQUIRED wic_reference)
