// The history on disk: the index file and one file per item in the data directory.
#pragma once
#include <string>

#include "history/history_item.h"

void StoreOpen(const std::string& dataDirectory);
std::string StoreDataDirectory();
std::string StoreIndexPath();
std::string ItemFilePath(const std::string& fileName);
// An item whose record is made at once, for the saves to write as it stands.
HistoryItem MakeHistoryItem(std::string fileName, std::string_view displayText, uint32_t hash, int32_t captureTime);
// `keepReplaced` keeps the index this save replaces under a second name until
// ReleaseOldIndex or the next such save, which writes over it, for a caller that saves
// often and can let it go at a quieter moment.
bool SaveIndex(const HistoryItems& items, bool keepReplaced = false);
bool LoadIndex(HistoryItems* items);
std::string ReadItemFile(const std::string& fileName);
void DeleteItemFile(const std::string& fileName);
// Writes `text` to a new item file under a fresh name and returns the name; a failed
// write leaves no file.
std::string WriteNewItemFile(const std::string& text);
// Makes an empty item file ready for the next WriteNewItemFile to fill; it is the
// only file in the data directory that no record names, and it goes at exit.
void PrepareSpareItemFile();
void RemoveSpareItemFile();
// Empties the file of an item no saved index names and keeps it as the ready file,
// when none is ready yet; false, leaving the file to be deleted, otherwise.
bool AdoptSpareItemFile(const std::string& fileName);
// Lets go of the index a save replaced, if it is still kept; false when none was.
bool ReleaseOldIndex();
void StoreRemoveIfEmpty();

void SeedRandom();
std::string RandomName(int length);
int RandomInRange(int lo, int hi);
bool RandomChance(int percent);
