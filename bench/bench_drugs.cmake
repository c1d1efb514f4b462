# Search-as-you-type in the drug list over a 50,000-drug catalogue.
if(TARGET dosarix_drugs)
  dosarix_add_bench(bench_drugs SOURCES bench_drugs.cpp benchutil.h LIBS dosarix_drugs)
endif()
