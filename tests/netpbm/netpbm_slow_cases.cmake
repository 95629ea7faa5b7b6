# Run by CTest once the cases are discovered: those over large images take
# minutes under the sanitizers. Labelled slow, and started first, so that
# they do not end a parallel run alone.
foreach(name NetpbmFastPath.WholeImagesReadAlikeWhenCutAnywhere
    NetpbmFastPath.LargePlainImagesReadAlikeAcrossBufferRefills
    NetpbmFastPath.LargeRawImagesReadAlikeAcrossChunkBoundaries)
  list(FIND netpbm_fast_path_tests_TESTS ${name} found)
  if(found GREATER -1)
    set_tests_properties(${name} PROPERTIES LABELS "unit;slow" COST 1000)
  endif()
endforeach()
