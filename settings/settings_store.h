#pragma once
#include <cstdint>
#include <string>

void SetDefaultSettings();
bool LoadSettings(const std::string& directory, const std::string& baseName);
void SaveSettings();
int32_t GetSetting(const std::string& key);
void SetSetting(const std::string& key, int32_t value);
void ToggleSetting(const std::string& key);
// Empties the store and forgets the file; the process starts this way.
void ResetSettings();
