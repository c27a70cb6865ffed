#pragma once

// Registers the record classes of the library's entities with the record store, so
// records of Recipes and Groups are made with their behaviour. Call once at start.
void registerLibraryRecordClasses();
