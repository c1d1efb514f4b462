# Print preview: a 5,000-drug list to the screen and to PDF.
dosarix_add_bench(bench_preview SOURCES bench_preview.cpp LIBS dosarix_drugs dosarix_preview)
