if(TARGET dosarix_residents AND TARGET dosarix_excel)
  dosarix_add_bench(bench_transfer SOURCES bench_transfer.cpp benchutil.h
    LIBS dosarix_residents dosarix_excel)
endif()
