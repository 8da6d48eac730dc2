// A shared library that is not a FreeFrame plugin: it exports no plugMain.
extern "C" __attribute__((visibility("default"))) int notPlugMain() { return 0; }
