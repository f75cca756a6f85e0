/* A DLL that nothing should load: it stands for one put beside the program. */
__declspec(dllexport) int tobrix_planted(void) { return 1; }
