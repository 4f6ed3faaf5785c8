#pragma once
// Keeps a parallel batch's result names as a one-by-one run would choose them: a file claims its
// output name only after every earlier file of the batch has claimed its own (or has failed), so
// "IMG 2.jpg" goes to the same input either way. The batch sets the turn up for each of its
// worker threads; on any other thread a turn is free at once.
namespace kelvaro::ImageEngine {

// Held while one file claims its output name (PartFile::place): the constructor waits for the file's
// turn, the destructor hands the turn on. Never throws.
class NameTurn {
public:
    NameTurn();
    ~NameTurn();
    NameTurn(const NameTurn&) = delete;
    NameTurn& operator=(const NameTurn&) = delete;
};

} // namespace kelvaro::ImageEngine
