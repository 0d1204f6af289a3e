// A WinInet.dll stand-in that has ten of the eleven entry points: no
// "InternetQueryDataAvailable". Nothing here is ever called.
extern "C" {
__declspec(dllexport) int InternetCloseHandle() { return 0; }
__declspec(dllexport) int InternetConnectA() { return 0; }
__declspec(dllexport) int InternetErrorDlg() { return 0; }
__declspec(dllexport) int InternetOpenA() { return 0; }
__declspec(dllexport) int InternetSetOptionA() { return 0; }
__declspec(dllexport) int InternetQueryOptionA() { return 0; }
__declspec(dllexport) int HttpOpenRequestA() { return 0; }
__declspec(dllexport) int HttpQueryInfoA() { return 0; }
__declspec(dllexport) int HttpSendRequestA() { return 0; }
__declspec(dllexport) int InternetReadFile() { return 0; }
}
