// Anchor of the test-support library: its fakes are header-only.
