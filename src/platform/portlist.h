#pragma once

#include <QString>
#include <QStringList>

// The --ports option of both programs: comma-separated device paths that become COM1, COM2, ...
// in their order. Devices need not exist yet (an adapter plugged in later, an rfcomm link bound
// later): the search says when one is not there. What is refused is what can only be a typing
// slip.
namespace PortList {

struct Parsed
{
    QStringList devices; // in order; empty when refused
    QString error;       // one line, naming the option; empty when accepted
};

// `values`: the option's value at each place it was given, in order; their lists join.
Parsed parse(const QStringList &values);

} // namespace PortList
