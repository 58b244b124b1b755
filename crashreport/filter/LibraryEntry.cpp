extern "C" __attribute__((visibility("default"))) int CreateReport(void*) { return 0; }
