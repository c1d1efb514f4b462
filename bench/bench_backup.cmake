# Backup and restore of a 100 MB data file beside zip -1 / unzip of the same file.
if(TARGET dosarix_backup)
  dosarix_add_bench(bench_backup SOURCES bench_backup.cpp benchutil.h LIBS dosarix_backup)
endif()
