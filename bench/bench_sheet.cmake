if(TARGET dosarix_print_template)
  dosarix_add_bench(bench_sheet SOURCES bench_sheet.cpp benchutil.h
    ${CMAKE_SOURCE_DIR}/residents/medication_sheet.cpp
    LIBS dosarix_excel dosarix_ui)
  target_compile_definitions(bench_sheet PRIVATE
    DOSARIX_TEMPLATE="${CMAKE_BINARY_DIR}/templates/print.xls")
  add_dependencies(bench_sheet dosarix_print_template)
endif()
