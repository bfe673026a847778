#pragma once

class Dataset;
class DatasetGrid;
class Dialogs;

// A project's recipient list as the composer and the schedule list show it: "Send Date",
// "Mobile Number", "Name", "Group" and the first 50 characters of "SMS Message", the hint
// holding the selected row's whole message.
DatasetGrid *recipientGrid(Dataset &recipients, Dialogs &dialogs);
