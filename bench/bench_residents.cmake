if(TARGET dosarix_residents)
  dosarix_add_bench(bench_residents SOURCES bench_residents.cpp benchutil.h
    LIBS dosarix_residents)
endif()
