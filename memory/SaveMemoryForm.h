#pragma once
// SaveMemoryForm: what the save-memory dialog shows and edits, without
// widgets. The dialog copies the texts and list positions into its controls,
// hands every change back, and on "Save" calls Accept: the record is updated
// only when every field reads, otherwise the dialog stays open with the
// message, which names the field.
//
// A number whose text was not changed keeps its stored value: the boxes show
// frequencies to 10 Hz, so reading them back would move a memory saved on an
// odd hertz.

#include "memory/K2MemoryFile.h"
#include "memory/MemoryTables.h"

#include <QString>

#include <array>
#include <optional>
#include <span>

namespace tamrel {

class SaveMemoryForm {
public:
    enum class Text { Name, VfoA, VfoB, CwSpeed, Power, Count };
    enum class List { TxVfo, RxVfo, Agc, Preamp, Mode, Rit, Xit, Xfil, Afil, Nb, Att, Count };

    struct TextControl {
        int controlId;
        const char* label;
    };
    struct ListControl {
        int controlId;
        const char* label;
        std::span<const ValueEntry> entries;
        uint32_t K2RadioState::*field;
    };
    static const TextControl& ControlOf(Text t);
    static const ListControl& ControlOf(List l);

    SaveMemoryForm(K2MemoryRecord record, bool editMode);

    bool EditMode() const { return editMode_; }
    // "Saving  Radio Memory Location", or "Editing Radio Memory Location".
    QString Caption() const;

    const QString& TextOf(Text t) const { return texts_[index(t)]; }
    void SetText(Text t, QString text) { texts_[index(t)] = std::move(text); }
    // -1 when no entry is selected.
    int PositionOf(List l) const { return positions_[index(l)]; }
    void SetPosition(List l, int position);

    // "Ant %d".
    QString AntennaText() const;
    // Any click of the spin button: antenna 1 becomes 2, anything else 1.
    void ClickAntennaSpin();

    // Reads the fields into the record; nothing on success, else the message
    // and the record unchanged. In edit mode the name stays as it is.
    std::optional<QString> Accept();
    const K2MemoryRecord& Record() const { return record_; }

    // Characters a memory name may hold: printable Latin-1.
    static bool NameCharAllowed(QChar c);
    // Why the name cannot be stored, or nothing.
    static std::optional<QString> NameProblem(const QString& name);

private:
    template <class E> static std::size_t index(E e) { return static_cast<std::size_t>(e); }
    void Fill();

    K2MemoryRecord record_;
    bool editMode_;
    uint32_t antenna_ = 1;
    std::array<QString, static_cast<std::size_t>(Text::Count)> texts_;
    std::array<QString, static_cast<std::size_t>(Text::Count)> shown_; // as first filled
    std::array<int, static_cast<std::size_t>(List::Count)> positions_{};
};

} // namespace tamrel
