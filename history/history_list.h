#pragma once
#include <cstdint>
#include <string>

#include "history/history_store.h"

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
// Every change is stored before it returns, unless storing is deferred: then the first
// change after a store step calls `request`, and the caller runs HistoryStoreStep when
// it has a moment, so changes that come together share one rewrite of the index.
// Deferral off (nullptr) does at once whatever is still waiting.
void HistoryDeferSaves(void (*request)());
// Writes the texts not yet on disk and the index, then deletes a share of the files of
// removed items. More: call again soon; Retry: a write or delete failed, try later.
StoreWork HistoryStoreStep();
void HistoryCleanupOnExit();
