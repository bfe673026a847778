#pragma once

#include "data/DatasetModel.h"

#include <QList>

class Dataset;
class DatasetGrid;
class Dialogs;

// A grid of sent or queued messages: "Send Date" first, wide enough for a date and a time,
// the message last and stretched, the hint holding the selected row's whole message.
DatasetGrid *messageGrid(Dataset &messages, QList<DatasetModel::ColumnSpec> columns, Dialogs &dialogs);

// A project's recipient list as the composer and the schedule list show it: "Send Date",
// "Mobile Number", "Name", "Group" and the first 50 characters of "SMS Message".
DatasetGrid *recipientGrid(Dataset &recipients, Dialogs &dialogs);
