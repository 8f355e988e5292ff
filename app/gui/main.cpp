// Program entry of the viewer (placeholder until the main window lands).
int main() { return 0; }
