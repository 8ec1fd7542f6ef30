// The key "Cabrillo": the answers of the contest log export dialog.

#include "settings/CRigControlRegistry.h"

#include "settings/RegistryStore.h"

namespace tamrel {

using namespace detail;

namespace {
constexpr char kCabrillo[] = "Cabrillo";
} // namespace

void CRigControlRegistry::GetCabrilloSettings(CabrilloSettings& c) {
    RegistryStore st(file_, problems_);
    auto text = [&](const char* name, std::string& out) {
        Read<std::string> r = st.text(kCabrillo, name);
        if (r.ok())
            out = std::move(r.value);
    };
    text("Contest", c.contest);
    text("Category Operator", c.categoryOperator);
    text("Category Assisted", c.categoryAssisted);
    text("Category Band", c.categoryBand);
    text("Category Mode", c.categoryMode);
    text("Category Power", c.categoryPower);
    text("Category Transmitter", c.categoryTransmitter);
    text("Sent RST", c.sentRst);
    text("Sent Exchange", c.sentExchange);
    if (Read<uint32_t> r = st.dword(kCabrillo, "First Serial"); r.ok())
        c.firstSerial = static_cast<int32_t>(r.value);
}

bool CRigControlRegistry::SetCabrilloSettings(const CabrilloSettings& c) {
    RegistryStore st(file_, problems_);
    if (st.broken())
        return false;
    st.putText(kCabrillo, "Contest", c.contest);
    st.putText(kCabrillo, "Category Operator", c.categoryOperator);
    st.putText(kCabrillo, "Category Assisted", c.categoryAssisted);
    st.putText(kCabrillo, "Category Band", c.categoryBand);
    st.putText(kCabrillo, "Category Mode", c.categoryMode);
    st.putText(kCabrillo, "Category Power", c.categoryPower);
    st.putText(kCabrillo, "Category Transmitter", c.categoryTransmitter);
    st.putText(kCabrillo, "Sent RST", c.sentRst);
    st.putText(kCabrillo, "Sent Exchange", c.sentExchange);
    st.putDword(kCabrillo, "First Serial", static_cast<uint32_t>(c.firstSerial));
    return st.commit();
}

} // namespace tamrel
