#pragma once

namespace portiva
{

struct ModemContext;

// Reads the listing entry the dispatcher has just met (its header is the ModemResponse
// caption, CurrentSMSIndex its index). The received-SMS subsystem implements the real one.
class ReceivedSmsHandler
{
public:
    virtual ~ReceivedSmsHandler() = default;
    virtual void Read_SMS_MessageTEXT() = 0;
};

// Until messages are taken in: reads the rest of the listing to its "OK" and deletes
// nothing, with the flags and timers as the real reader leaves them.
class ListingDrain : public ReceivedSmsHandler
{
public:
    explicit ListingDrain(ModemContext &ctx) : m_ctx(ctx) {}
    void Read_SMS_MessageTEXT() override;

private:
    ModemContext &m_ctx;
};

} // namespace portiva
