// A shared library that loads fine but is no command module: it exports none
// of the component entry points.
extern "C" __attribute__((visibility("default"))) int NoEntryModule_Answer()
{
    return 42;
}
