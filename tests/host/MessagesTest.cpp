#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "HostCalls.h"

using hostcalls::Call;
using hostcalls::Ptr;

namespace {

// What a filter saw, copied while the host's record is alive.
struct Seen {
    std::string module;
    host::Word position;
    const host::CcsData* ccs;    // for identity only: gone once delivery ends
    host::Contact contact;
    std::string protoService;
    std::string text;
};
std::vector<Seen> g_seen;

host::Word Filter(const char* module, host::Word w, host::Word l) {
    auto* ccs = reinterpret_cast<const host::CcsData*>(l);
    auto* event = reinterpret_cast<const host::ProtoRecvEvent*>(ccs->lParam);
    g_seen.push_back(Seen{module, w, ccs, ccs->contact, ccs->protoService ? ccs->protoService : "", event->message});
    return Call("Proto/ChainRecv", w, l);
}
host::Word FilterA(host::Word w, host::Word l) { return Filter("A", w, l); }
host::Word FilterB(host::Word w, host::Word l) { return Filter("B", w, l); }
host::Word Swallow(host::Word w, host::Word l) {
    auto* ccs = reinterpret_cast<const host::CcsData*>(l);
    g_seen.push_back(Seen{"Swallow", w, ccs, ccs->contact, ccs->protoService ? ccs->protoService : "", ""});
    return 7;
}
// Hands the chain back to its start: the host must not recurse for ever.
host::Word Loop(host::Word, host::Word l) { return Call("Proto/ChainRecv", 0, l); }

class MessagesTest : public ::testing::Test {
protected:
    void SetUp() override {
        standin::Reset();
        g_seen.clear();
        contact = standin::AddContact();
    }
    int Register(const char* name, host::ServiceProc recv, int type = host::kProtoTypeFilter) {
        host::ProtocolDescriptor d{12, name, type};
        if (recv) standin::Link()->CreateServiceFunction((std::string(name) + "/RecvMessage").c_str(), recv);
        return static_cast<int>(Call("Proto/RegisterModule", 0, Ptr(&d)));
    }
    host::Word AddTo(host::Contact c, const char* module) { return Call("Proto/AddToContact", Ptr(c), Ptr(module)); }
    host::Contact contact = nullptr;
};

TEST_F(MessagesTest, RegisteringModules) {
    EXPECT_EQ(Register("A", FilterA), 0);
    EXPECT_NE(Register("A", nullptr), 0) << "one module per name";
    host::ProtocolDescriptor badSize{5, "Bad", host::kProtoTypeFilter};
    EXPECT_NE(Call("Proto/RegisterModule", 0, Ptr(&badSize)), 0);
    host::ProtocolDescriptor noName{12, nullptr, host::kProtoTypeFilter};
    EXPECT_NE(Call("Proto/RegisterModule", 0, Ptr(&noName)), 0);
    EXPECT_NE(Call("Proto/RegisterModule", 0, 0), 0);
    EXPECT_EQ(standin::RegisteredModules(), std::vector<std::string>{"A"});
}

TEST_F(MessagesTest, AMessagePassesTwoFiltersInOrderToTheEnd) {
    Register("A", FilterA);
    Register("B", FilterB);
    ASSERT_EQ(AddTo(contact, "A"), 0);
    ASSERT_EQ(AddTo(contact, "B"), 0);
    EXPECT_EQ(AddTo(contact, "A"), 0);
    EXPECT_EQ(standin::DeliverMessage(contact, "[SMS] call me"), 0);

    ASSERT_EQ(g_seen.size(), 2u) << "a module added twice still sees the message once";
    EXPECT_EQ(g_seen[0].module, "A");
    EXPECT_EQ(g_seen[1].module, "B");
    EXPECT_EQ(g_seen[0].ccs, g_seen[1].ccs) << "ChainRecv passes the same record on";
    EXPECT_NE(g_seen[0].position, g_seen[1].position);
    EXPECT_EQ(g_seen[0].contact, contact);
    EXPECT_EQ(g_seen[0].protoService, "/RecvMessage");
    EXPECT_EQ(g_seen[1].text, "[SMS] call me");

    auto received = standin::ReceivedMessages();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].contact, contact);
    EXPECT_EQ(received[0].text, "[SMS] call me");
}

TEST_F(MessagesTest, ChainsArePerContact) {
    Register("A", FilterA);
    host::Contact other = standin::AddContact();
    AddTo(contact, "A");
    standin::DeliverMessage(other, "hi");
    EXPECT_TRUE(g_seen.empty());
    ASSERT_EQ(standin::ReceivedMessages().size(), 1u);
    EXPECT_EQ(standin::ReceivedMessages()[0].contact, other);
}

TEST_F(MessagesTest, AFilterThatDoesNotPassOnKeepsTheMessage) {
    Register("S", Swallow);
    Register("B", FilterB);
    AddTo(contact, "S");
    AddTo(contact, "B");
    EXPECT_EQ(standin::DeliverMessage(contact, "x"), 7) << "the chain gives what its first module gave";
    ASSERT_EQ(g_seen.size(), 1u);
    EXPECT_EQ(g_seen[0].module, "Swallow");
    EXPECT_TRUE(standin::ReceivedMessages().empty());
}

TEST_F(MessagesTest, ModulesWithoutReceiveServiceArePassedBy) {
    Register("Quiet", nullptr);
    Register("B", FilterB);
    AddTo(contact, "Quiet");
    AddTo(contact, "B");
    standin::DeliverMessage(contact, "x");
    ASSERT_EQ(g_seen.size(), 1u);
    EXPECT_EQ(g_seen[0].module, "B");
    EXPECT_EQ(standin::ReceivedMessages().size(), 1u);
}

TEST_F(MessagesTest, AddToContactNeedsAModuleAndAContact) {
    Register("A", FilterA);
    EXPECT_NE(AddTo(contact, "Unregistered"), 0);
    EXPECT_NE(AddTo(reinterpret_cast<host::Contact>(12345), "A"), 0);
    EXPECT_NE(AddTo(nullptr, "A"), 0);
    EXPECT_NE(Call("Proto/AddToContact", Ptr(contact), 0), 0);
}

TEST_F(MessagesTest, BrokenChainCallsDoNotCrashOrLoop) {
    EXPECT_NE(Call("Proto/ChainRecv", 0, 0), 0);
    host::CcsData noService{contact, nullptr, 0, 0};
    EXPECT_NE(Call("Proto/ChainRecv", 0, Ptr(&noService)), 0);
    host::CcsData noEvent{contact, "/RecvMessage", 0, 0};
    EXPECT_NE(Call("Proto/ChainRecv", 0, Ptr(&noEvent)), 0);
    host::ProtoRecvEvent event{0, 0, const_cast<char*>("x"), 0};
    host::CcsData negative{contact, "/RecvMessage", 0, Ptr(&event)};
    EXPECT_NE(Call("Proto/ChainRecv", -1, Ptr(&negative)), 0);
    EXPECT_EQ(Call("Proto/ChainRecv", 1000, Ptr(&negative)), 0) << "past the last module is the end";
    ASSERT_EQ(standin::ReceivedMessages().size(), 1u);

    Register("L", Loop);
    AddTo(contact, "L");
    EXPECT_NE(standin::DeliverMessage(contact, "round and round"), 0) << "refused at the depth limit";
    EXPECT_EQ(standin::ReceivedMessages().size(), 1u) << "the looping message never reached the end";
}

TEST_F(MessagesTest, SentInstantMessagesAreRecorded) {
    const char* text = "Your message has been sent successfully to my owner! :)";
    host::CcsData ccs{contact, "/SendMsg", 0, Ptr(text)};
    EXPECT_GT(Call("Proto/CallContactService", 0, Ptr(&ccs)), 0);
    auto sent = standin::SentMessages();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].contact, contact);
    EXPECT_EQ(sent[0].text, text);

    host::CcsData other{contact, "/SendFile", 0, Ptr(text)};
    EXPECT_EQ(Call("Proto/CallContactService", 0, Ptr(&other)), host::kServiceNotFound);
    host::CcsData noText{contact, "/SendMsg", 0, 0};
    EXPECT_EQ(Call("Proto/CallContactService", 0, Ptr(&noText)), 0);
    host::CcsData nobody{reinterpret_cast<host::Contact>(777), "/SendMsg", 0, Ptr(text)};
    EXPECT_EQ(Call("Proto/CallContactService", 0, Ptr(&nobody)), 0);
    EXPECT_EQ(Call("Proto/CallContactService", 0, 0), host::kServiceNotFound);
    EXPECT_EQ(standin::SentMessages().size(), 1u);
}

TEST_F(MessagesTest, BaseProtocolAndDisplayName) {
    EXPECT_EQ(Call("Proto/GetContactBaseProto", Ptr(contact)), 0);
    standin::SetText(contact, "Protocol", "p", "ICQ");
    standin::SetText(contact, "CList", "MyHandle", "Robert");
    EXPECT_EQ(Call("Proto/GetContactBaseProto", Ptr(contact)), 0) << "no account or module is called ICQ";
    auto shown = reinterpret_cast<const char*>(Call("CList/GetContactDisplayName", Ptr(contact), 0));
    EXPECT_STREQ(shown, "(Unknown Contact)") << "without a base protocol not even the user's name counts";
    standin::DeleteSetting(contact, "CList", "MyHandle");
    standin::AddAccount("ICQ");
    auto proto = reinterpret_cast<const char*>(Call("Proto/GetContactBaseProto", Ptr(contact)));
    ASSERT_NE(proto, nullptr);
    EXPECT_STREQ(proto, "ICQ");
    EXPECT_EQ(Call("Proto/GetContactBaseProto", 0), 0);

    auto name = [](host::Contact c) {
        auto text = reinterpret_cast<const char*>(Call("CList/GetContactDisplayName", Ptr(c), 0));
        return std::string(text ? text : "<null>");
    };
    EXPECT_EQ(name(contact), "(Unknown Contact)");
    standin::SetText(contact, "ICQ", "Nick", "Bob");
    EXPECT_EQ(name(contact), "Bob");
    standin::SetText(contact, "CList", "MyHandle", "Robert");
    EXPECT_EQ(name(contact), "Robert") << "the user's own name for the contact comes first";
    EXPECT_EQ(name(reinterpret_cast<host::Contact>(4242)), "(Unknown Contact)");

    // A registered module is no account: its contacts have neither.
    host::Contact phone = standin::AddContact();
    standin::SetText(phone, "Protocol", "p", "Phones");
    standin::SetText(phone, "CList", "MyHandle", "+43 () 1 SMS");
    host::ProtocolDescriptor module{12, "Phones", 10000};
    ASSERT_EQ(Call("Proto/RegisterModule", 0, Ptr(&module)), 0);
    EXPECT_EQ(Call("Proto/GetContactBaseProto", Ptr(phone)), 0);
    EXPECT_EQ(name(phone), "(Unknown Contact)");
}

}  // namespace
