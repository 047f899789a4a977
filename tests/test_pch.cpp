// The owner of the test programs' shared precompiled header; it has no code of its own.
