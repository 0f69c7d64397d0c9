/* A tiny shared library for the binder tests. Built several times under
   different names; SYSINFO_TEST_WITHOUT_KEY leaves out the key entry point. */

static int calls;

#ifndef SYSINFO_TEST_WITHOUT_KEY
int SysinfoTestKey(void) { return 0x5A; }
#endif

int SysinfoTestAdd(int a, int b) {
    ++calls;
    return a + b;
}

int SysinfoTestCalls(void) { return calls; }
