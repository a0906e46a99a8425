#ifndef AXMETATYPES_H
#define AXMETATYPES_H

// Registers the model's signal argument types (the device record, the settings
// profile and the enumerations) under their names, so queued and string-based
// connections carry them. Safe to call any number of times from any thread.
void registerAxMetaTypes();

#endif // AXMETATYPES_H
