// The main window (placeholder until it lands).
