// Message tables: each window class lists the messages, commands and
// notifications it handles, each mapped to a member handler of one uniform
// shape, LRESULT Handler(WPARAM, LPARAM). A class's table chains to its base
// class's table; the first matching entry wins.
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

struct MessageEntry {
    MessageKind kind;
    UINT message;             // message id, or notification code
    UINT id;                  // control or command id where it matters
    const UINT* registeredId; // for RegisteredMessage
    MessageHandler handler;
};

struct MessageMap {
    const MessageMap* (*base)();
    const MessageEntry* entries;
};

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
    { MessageKind::End, 0, 0, nullptr, nullptr }                 \
    };                                                           \
    static const MessageMap map = { baseMap, entries };          \
    return &map;                                                 \
    }

#define QUILLOP_HANDLER(fn) static_cast<MessageHandler>(&ThisClass::fn)
#define ON_MESSAGE(message, fn) { MessageKind::Message, message, 0, nullptr, QUILLOP_HANDLER(fn) },
#define ON_REGISTERED_MESSAGE(idVariable, fn) \
    { MessageKind::RegisteredMessage, 0, 0, &idVariable, QUILLOP_HANDLER(fn) },
#define ON_COMMAND(id, fn) { MessageKind::Command, 0, id, nullptr, QUILLOP_HANDLER(fn) },
#define ON_NOTIFY(code, id, fn) { MessageKind::Notify, static_cast<UINT>(code), id, nullptr, QUILLOP_HANDLER(fn) },
#define ON_NOTIFY_REFLECT(code, fn) \
    { MessageKind::NotifyReflect, static_cast<UINT>(code), 0, nullptr, QUILLOP_HANDLER(fn) },
#define ON_CONTROL_REFLECT(code, fn) { MessageKind::CommandReflect, code, 0, nullptr, QUILLOP_HANDLER(fn) },
#define ON_MESSAGE_REFLECT(message, fn) { MessageKind::MessageReflect, message, 0, nullptr, QUILLOP_HANDLER(fn) },
