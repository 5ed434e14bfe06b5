// Option servers: a setting with an id, a priority, an on/off switch and one
// datum (TBscOpt), and groups of them (TBscOptGrp). Windows and dialogs get and
// set values by option id instead of keeping copies.
//
// By-id calls: the server that owns the id acts itself; any other server
// passes the call to its children only while it is on. So a switched-off
// group hides all its children, and a switched-off option neither gives nor
// takes a value (but can still be switched on by id).
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "options/optbase.h"
#include "options/srvutil.h"

inline constexpr const char kSrvQk51Src[] = "..\\options\\srvqk51.cpp";

// One stored item: option id (2 bytes), data length n (4 bytes), n bytes of
// data, 2 bytes of value 0.
void QkWriteItem(std::ostream& out, clQKOptIDType id, const clDataInterface& data);
// Reads the rest of an item whose id has been read, into data. The stream ends
// at end (its length): a length that claims more than is left raises
// clXDataFormat before anything is read.
void QkReadItem(std::istream& in, std::uint64_t end, clDataInterface& data);
// Passes over the rest of an item whose id has been read, checked the same way.
void QkSkipItem(std::istream& in, std::uint64_t end);

class clOptSrvInterface {
public:
    virtual ~clOptSrvInterface() = default;

    virtual void SwitchOn() = 0;
    virtual void SwitchOff() = 0;
    virtual bool IsOff() const = 0;
    virtual bool IsOn() const = 0;
    // Hooks of the concrete options: a validity check (1 when fine) and the
    // preparation run before a project is loaded.
    virtual int Check() { return 1; }
    virtual void Prepare() {}

    // The datum; null for a group.
    virtual clDataInterface* Data() = 0;
    // True when this server or any child has the id, whatever their switches.
    virtual bool HasId(clQKOptIDType id) const = 0;
    // The server that owns id, reached through switched-on servers only.
    virtual clOptSrvInterface* FindOwner(clQKOptIDType id) = 0;
    // One level of the save walk: switched-on servers of priority level write
    // their items; lower priorities are reported in next (the highest wins).
    virtual void SaveLevel(std::ostream& out, clQKPriorityType level, std::optional<clQKPriorityType>& next) const = 0;

    // By-id operations; each answers whether a server took the call.
    bool SwitchOnById(clQKOptIDType id);
    bool SwitchOffById(clQKOptIDType id);
    // The owner's check hook when it is on; 1 otherwise.
    int CheckById(clQKOptIDType id);
    bool GetById(clQKOptIDType id, clDataInterface& destination);
    bool SetById(clQKOptIDType id, const clDataInterface& source);
    // Reads the rest of an item (see QkReadItem) when a switched-on server owns id.
    bool LoadById(std::istream& in, clQKOptIDType id, std::uint64_t end);

    // Typed access by id: false (and value untouched) when no switched-on
    // server owns the id.
    template <class T>
    bool Get(clQKOptIDType id, T& value)
    {
        clData<T> data;
        if (!GetById(id, data))
            return false;
        value = data.Value();
        return true;
    }
    template <class T>
    bool Set(clQKOptIDType id, const T& value)
    {
        return SetById(id, clData<T>(value));
    }
    // The owner of id as the option class O; null when there is none or it is
    // of another class.
    template <class O>
    O* Find(clQKOptIDType id)
    {
        return dynamic_cast<O*>(FindOwner(id));
    }

private:
    clDataInterface* ActiveData(clQKOptIDType id);
};

// What every server has: a switch and a priority.
class clOptSrv : public clOptSrvInterface {
public:
    void SwitchOn() override { m_Switch.SwitchOn(); }
    void SwitchOff() override { m_Switch.SwitchOff(); }
    bool IsOff() const override { return m_Switch.IsOff(); }
    bool IsOn() const override { return m_Switch.IsOn(); }
    clQKPriorityType GetPriority() const { return m_Priority.Get(); }

protected:
    clOptSrv(clQKPriorityType priority, bool on) : m_Switch(on), m_Priority(priority) {}

    clSwitch<clQKSwitchType> m_Switch;
    clPriority<clQKPriorityType> m_Priority;
};

// The leaf option of data type T.
template <class T>
class TBscOpt : public clOptSrv {
public:
    explicit TBscOpt(clQKOptIDType id, clQKPriorityType priority = 0, bool on = true) : clOptSrv(priority, on), m_Id(id)
    {}

    clQKOptIDType GetId() const { return m_Id.Get(); }
    auto& Value() { return m_Data.Value(); }
    const auto& Value() const { return m_Data.Value(); }

    clDataInterface* Data() override { return &m_Data; }
    bool HasId(clQKOptIDType id) const override { return m_Id.Is(id); }
    clOptSrvInterface* FindOwner(clQKOptIDType id) override { return m_Id.Is(id) ? this : nullptr; }
    void SaveLevel(std::ostream& out, clQKPriorityType level, std::optional<clQKPriorityType>& next) const override
    {
        if (IsOff())
            return;
        if (m_Priority.IsEqual(level))
            QkWriteItem(out, m_Id.Get(), m_Data);
        else if (m_Priority.IsLess(level) && (!next || *next < m_Priority.Get()))
            next = m_Priority.Get();
    }

private:
    clID<clQKOptIDType> m_Id;
    clData<T> m_Data;
};

// A group of servers, kept and walked in the order they were added.
class TBscOptGrp : public clOptSrv {
public:
    explicit TBscOptGrp(clQKGrpIDType groupId = 0, bool on = true);

    clQKGrpIDType GetGroupId() const { return m_GroupId.Get(); }
    // Adds a server and returns it.
    template <class O>
    O* Add(std::unique_ptr<O> server)
    {
        O* added = server.get();
        m_Children.push_back(std::move(server));
        return added;
    }
    std::size_t Count() const { return m_Children.size(); }

    // Every switched-on child's check; 0 at the first failure.
    int CheckAll();
    // Every child's preparation.
    void PrepareAll();
    int Check() override { return CheckAll(); }
    void Prepare() override { PrepareAll(); }

    clDataInterface* Data() override { return nullptr; }
    bool HasId(clQKOptIDType id) const override;
    clOptSrvInterface* FindOwner(clQKOptIDType id) override;
    void SaveLevel(std::ostream& out, clQKPriorityType level, std::optional<clQKPriorityType>& next) const override;

private:
    clID<clQKGrpIDType> m_GroupId;
    std::vector<std::unique_ptr<clOptSrvInterface>> m_Children;
};
