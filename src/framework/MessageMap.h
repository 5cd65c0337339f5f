// Message tables: each window class lists the messages, commands and
// notifications it handles, each mapped to a member handler. A class's
// table chains to its base class's table; the first matching entry wins.
//
// Handlers take LRESULT Handler(WPARAM, LPARAM), or, for messages that carry
// a pointer or packed values, a typed shape that the table's adapter
// unpacks once: Handler(HDROP), Handler(Struct&) for the record LPARAM
// points to (MEASUREITEMSTRUCT, MINMAXINFO, a notification), and
// Handler(UINT type, int width, int height) for WM_SIZE.
#pragma once

#include "framework/Afx.h"

class CWnd;

using MessageHandler = LRESULT (CWnd::*)(WPARAM, LPARAM);

enum class MessageKind : unsigned char {
    End,
    Message,            // a window message by id
    RegisteredMessage,  // a message id known only at run time
    Command,            // WM_COMMAND from a menu, accelerator or button click
    Notify,             // WM_NOTIFY from a child control, by code and id
    NotifyReflect,      // WM_NOTIFY reflected back to the control that sent it
    CommandReflect,     // WM_COMMAND notification reflected to its control
    MessageReflect,     // WM_CTLCOLOR*, WM_DRAWITEM ... reflected to the control
};

// Calls a typed handler of the window's class with the message's
// parameters unpacked.
using MessageAdapter = LRESULT (*)(CWnd* window, WPARAM wParam, LPARAM lParam);

struct MessageEntry {
    MessageKind kind;
    UINT message;             // message id, or notification code
    UINT id;                  // control or command id where it matters
    const UINT* registeredId; // for RegisteredMessage
    MessageHandler handler;   // a handler of (WPARAM, LPARAM)
    MessageAdapter adapter;   // or else a typed handler behind its adapter
};

// The id of a notify entry that takes the notification from any control.
constexpr UINT kAnyControl = ~0u;

struct MessageMap {
    const MessageMap* (*base)();
    const MessageEntry* entries;
};

namespace MessageAdapters {

template <class Class, typename Struct, LRESULT (Class::*Handler)(Struct&)>
LRESULT WithRecord(CWnd* window, WPARAM, LPARAM lParam)
{
    return (static_cast<Class*>(window)->*Handler)(*reinterpret_cast<Struct*>(lParam));
}

template <class Class, LRESULT (Class::*Handler)(HDROP)>
LRESULT WithDrop(CWnd* window, WPARAM wParam, LPARAM)
{
    return (static_cast<Class*>(window)->*Handler)(reinterpret_cast<HDROP>(wParam));
}

template <class Class, LRESULT (Class::*Handler)(UINT, int, int)>
LRESULT WithSize(CWnd* window, WPARAM wParam, LPARAM lParam)
{
    return (static_cast<Class*>(window)->*Handler)(static_cast<UINT>(wParam), static_cast<short>(LOWORD(lParam)),
                                                   static_cast<short>(HIWORD(lParam)));
}

}  // namespace MessageAdapters

#define DECLARE_MESSAGE_MAP()                         \
public:                                               \
    static const MessageMap* GetThisMessageMap();     \
                                                      \
protected:                                            \
    const MessageMap* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(Class, Base)                                           \
    const MessageMap* Class::GetMessageMap() const { return GetThisMessageMap(); } \
    const MessageMap* Class::GetThisMessageMap()                                 \
    {                                                                            \
        using ThisClass = Class;                                                 \
        static const MessageMap* (*const baseMap)() = &Base::GetThisMessageMap;  \
        static const MessageEntry entries[] = {

#define END_MESSAGE_MAP()                                        \
    { MessageKind::End, 0, 0, nullptr, nullptr, nullptr }        \
    };                                                           \
    static const MessageMap map = { baseMap, entries };          \
    return &map;                                                 \
    }

#define QUILLOP_HANDLER(fn) static_cast<MessageHandler>(&ThisClass::fn)
#define ON_MESSAGE(message, fn) { MessageKind::Message, message, 0, nullptr, QUILLOP_HANDLER(fn), nullptr },
#define ON_REGISTERED_MESSAGE(idVariable, fn) \
    { MessageKind::RegisteredMessage, 0, 0, &idVariable, QUILLOP_HANDLER(fn), nullptr },
#define ON_COMMAND(id, fn) { MessageKind::Command, 0, id, nullptr, QUILLOP_HANDLER(fn), nullptr },
#define ON_NOTIFY(code, id, fn) \
    { MessageKind::Notify, static_cast<UINT>(code), id, nullptr, QUILLOP_HANDLER(fn), nullptr },
// A notification from any control of the window.
#define ON_NOTIFY_FROM_ANY(code, fn) \
    { MessageKind::Notify, static_cast<UINT>(code), kAnyControl, nullptr, QUILLOP_HANDLER(fn), nullptr },
#define ON_NOTIFY_REFLECT(code, fn) \
    { MessageKind::NotifyReflect, static_cast<UINT>(code), 0, nullptr, QUILLOP_HANDLER(fn), nullptr },
#define ON_CONTROL_REFLECT(code, fn) { MessageKind::CommandReflect, code, 0, nullptr, QUILLOP_HANDLER(fn), nullptr },
#define ON_MESSAGE_REFLECT(message, fn) \
    { MessageKind::MessageReflect, message, 0, nullptr, QUILLOP_HANDLER(fn), nullptr },

// Typed entries: the handler's parameters are unpacked by the table.
#define ON_MESSAGE_RECORD(message, Struct, fn) \
    { MessageKind::Message, message, 0, nullptr, nullptr, &MessageAdapters::WithRecord<ThisClass, Struct, &ThisClass::fn> },
#define ON_NOTIFY_RECORD(code, id, Struct, fn)                        \
    { MessageKind::Notify, static_cast<UINT>(code), id, nullptr, nullptr, \
      &MessageAdapters::WithRecord<ThisClass, Struct, &ThisClass::fn> },
#define ON_NOTIFY_REFLECT_RECORD(code, Struct, fn)                          \
    { MessageKind::NotifyReflect, static_cast<UINT>(code), 0, nullptr, nullptr, \
      &MessageAdapters::WithRecord<ThisClass, Struct, &ThisClass::fn> },
#define ON_WM_DROPFILES(fn) \
    { MessageKind::Message, WM_DROPFILES, 0, nullptr, nullptr, &MessageAdapters::WithDrop<ThisClass, &ThisClass::fn> },
#define ON_WM_SIZE(fn) \
    { MessageKind::Message, WM_SIZE, 0, nullptr, nullptr, &MessageAdapters::WithSize<ThisClass, &ThisClass::fn> },
