#include "usage_notes.h"

#include <cstdio>

void PrintUsageNotes(bool futureNotes) {
    printf("***** KOV I/O Test Utility Usage Notes *****\n\n");
    printf("ZUZUZAVEV is a simple utility that measures I/O similar to KOV QAL I/O.\n\n");
    printf("Usage:\n\n");
    printf("   ZUZUZAVEV filename [-options]\n\n");
    printf("      where:\n");
    printf("         filename - (required) specifies the filename to read or write.\n");
    printf("                    MUST be the first argument.\n\n");
    printf("         -options is one or more of the following (defaults in parentheses):\n\n");
    printf("            -r (-r) koviotest will read from the specified file or\n");
    printf("            -w      koviotest will write to the specified file or\n\n");
    printf("            -rw     koviotest will read a page from the specified file and then\n");
    printf("                              will write that page to the specified file.\n");
    printf("                    NOTE: For -rw, reads are always random reads of a page and writes are\n");
    printf("                          always writing the same page that was read.\n\n");
    printf("            -seq or -ran - (-seq) koviotest will read sequentially from the specified file or\n");
    printf("                                  koviotest will read randomly from the specified file.\n\n");
    printf("            -filesize N (1 MB) specifies the total size of file.\n");
    printf("                               For example, 800k, 512K, 5m, 40m, 2G, 10g, etc.\n\n");
    printf("            -pagesize N (8k) specifies the size of the page for I/O operation.\n");
    printf("                             For example, 8k, 128K, 5m, 16M, etc.\n\n");
    printf("            -sgio - specifies to use Scatter Read and/or Gather Write APIs\n");
    printf("                    for I/O operations.\n\n");
    printf("            -numpages M - specifies the number of pages to read or write for\n");
    printf("                          each sgio operation. REQUIRED if SGIO option present.\n\n");
    printf("            -unbuffered - If -w is specified, causes the pages written to bypass the file cache.\n");
    printf("                          If -r, -ran, and -unbuffered are specified, the file will be read\n");
    printf("                          randomly and opened without the FILE_FLAG_RANDOM_ACCESS flag.\n\n");
    printf("            -writethru - causes the pages to write through any intermediate\n");
    printf("                         cache and go directly to disk.\n\n");
    printf("Remarks:\n");
    printf("   1. KOV I/O Test displays elapsed real time, and I/O rate in MB/second.\n");
    printf("   2. When using the -sgio option, the page size must be a multiple of 4K on x86\n");
    printf("      systems, and a multiple of 8K on x64 and IPF systems.\n");
    printf("   3. The file size MUST be a multiple of the product of the page size and the\n");
    printf("      number of pages.\n\n");
    if (!futureNotes) return;
    printf("Undocumented option(s):\n");
    printf("   -debug - prints debug info.\n");
    printf("   -flags N - Value to use for the flags in the CreateFile API call\n\n");
    printf("Future:\n");
    printf("-sgiobest - find best (most efficent) values of page size, page number for given\n");
    printf("            file size.\n");
}
