// SetBDEConfig's work: register the Brisole database alias with the database
// engine, then write the client's database settings and the engine's
// start-up tuning values to the registry.
#pragma once

#include <string>

// False (after telling the user) when registering the alias failed; the
// registry is then untouched. A registry key that cannot be opened or
// created is skipped silently; a value that cannot be written raises.
bool ConfigureDatabaseClient(const std::string& aliasName, const std::string& serverName);
