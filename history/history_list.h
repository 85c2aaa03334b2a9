#pragma once
#include <cstdint>
#include <string>

uint32_t TextHash(const char* text);
unsigned HistoryCount();
unsigned HistoryMaxItems();
std::string HistoryItemText(unsigned i);
uint32_t HistoryItemHash(unsigned i);
std::string HistoryItemTimeText(unsigned i);
std::string HistoryLoadText(unsigned i);
void HistoryAdd(const std::string& text, uint32_t hash, const std::string& displayText);
void HistoryMoveToFront(unsigned i);
void HistoryDelete(unsigned i);
void HistoryDeleteRange(int first, int last);
void HistoryDeleteAll();
// A maximum of 0 means no history is kept: nothing is added.
void HistorySetMaxItems(unsigned n);
int HistoryExpire(int policy);
void HistoryInit(unsigned maxItems, int keepPolicy, const std::string& directory, const std::string& name);
// Every change saves the index before it returns, unless saves are deferred: then the
// first change after a save calls `request`, and HistorySaveNow() saves them all at
// once. That leaves the caller free to answer its messages in between. Deferral off
// (nullptr) saves what is waiting and deletes the files of the items that are gone.
void HistoryDeferSaves(void (*request)());
// False when the index could not be written; the save stays pending until a call
// that succeeds, and with saves deferred no further change asks for one meanwhile.
bool HistorySaveNow();
// One piece of the work a change leaves for a quiet moment: letting go of the index
// the last save replaced once it holds texts deleted or expired, deleting the file of
// an item that is gone (or keeping it, emptied, for the next new item), or readying
// the file the next new item will fill. True while more is left.
bool HistoryTidyStep();
void HistoryCleanupOnExit();
