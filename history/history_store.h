// The history on disk, in the data directory: the index file, one file per item, and
// the folder "__pending__", which holds what the store is in the middle of, so that a
// start after a kill or a failure finds it there instead of searching the whole folder:
// - "__reg__.tmp": the index being written;
// - "__reg__": a whole index that could not yet replace the real one (another program
//   holds that open); it is the newer of the two;
// - "NAME.new": the record of item file NAME, written before the file, until an index
//   names it: a text copied just before a kill is found and kept;
// - "deleting": the files of removed items, written before the index that drops them,
//   until they are gone: a kill between the two cannot leave them behind.
#pragma once
#include <string>
#include <vector>

#include "history/history_item.h"

void StoreOpen(const std::string& dataDirectory);
std::string StoreIndexPath();
std::string ItemFilePath(const std::string& fileName);

// Reads the newest whole index. Records naming a file the store uses for itself, or a
// file a newer record already names, are skipped: acting on them would delete or
// overwrite what is not theirs.
bool LoadIndex(HistoryItems* items);
// Finishes what a stop left half done, given the index just loaded: a text written but
// not yet indexed joins the history as its newest item; the files of removed items are
// queued for TidyStep. True when there is something to save or tidy.
bool StoreRecover(HistoryItems* items);

// Writes the item's text to a new file under a fresh name and sets its fileName; false
// (nothing left on disk) when it cannot, and the item keeps its text.
bool WriteItemFile(HistoryItem* item);
std::string ReadItemFile(const std::string& fileName);
// Deletes at once the file of an item that no saved index has named yet; false when
// the item is not such an item, and its file has to wait for an index without it.
bool DeleteUnindexedItemFile(const std::string& fileName);

// Makes the index on disk hold the items that have their files, in order. `dropped`
// names the files of removed items: they are listed before the index goes, and once
// it has, TidyStep deletes them. False, and the disk as it was, when it fails.
bool SaveIndex(const HistoryItems& items, const std::vector<std::string>& dropped = {});

enum class StoreWork { Done, More, Retry };
// Finishes what the saves left: puts a pending index in place, removes the records of
// indexed files, and deletes the files the saved index no longer names, for about a
// tenth of a second a call, so a window can answer in between. More: call again;
// Retry: something refused (another program has a file open), call again later.
StoreWork TidyStep();

// For a history that is empty at exit: removes whatever is left in the data directory
// and the directory itself, waiting up to two seconds for another program to let go.
void StoreRemoveAll();

void SeedRandom();
std::string RandomName(int length);
int RandomInRange(int lo, int hi);
bool RandomChance(int percent);
