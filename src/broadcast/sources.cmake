# Files of this subsystem: core ones build without widgets.
list(APPEND BRIVORA_CORE_SOURCES
    broadcast/RunState.h
    broadcast/MessageRecord.h broadcast/MessageRecord.cpp
    broadcast/Records.h broadcast/Records.cpp
    broadcast/FailureMarker.h broadcast/FailureMarker.cpp
    broadcast/ModemLane.h broadcast/ModemLane.cpp
    broadcast/SendEngine.h broadcast/SendEngine.cpp
    broadcast/SendRun.h broadcast/SendRun.cpp
    broadcast/IndividualSms.h broadcast/IndividualSms.cpp
    broadcast/Delivery.h broadcast/Delivery.cpp
    broadcast/InboxStore.h broadcast/InboxStore.cpp
    broadcast/InboxReader.h broadcast/InboxReader.cpp
    broadcast/RecipientList.h broadcast/RecipientList.cpp
    broadcast/BroadcastRunner.h broadcast/BroadcastRunner.cpp
    broadcast/ScheduleListRunner.h broadcast/ScheduleListRunner.cpp
    broadcast/FailQueue.h broadcast/FailQueue.cpp
    broadcast/ProjectStore.h broadcast/ProjectStore.cpp
    broadcast/GreetingBroadcast.h broadcast/GreetingBroadcast.cpp
    broadcast/GreetingTimer.h broadcast/GreetingTimer.cpp)
list(APPEND BRIVORA_GUI_SOURCES
    broadcast/RecipientGrid.h broadcast/RecipientGrid.cpp
    broadcast/AnnouncementTab.h broadcast/AnnouncementTab.cpp
    broadcast/ScheduleTab.h broadcast/ScheduleTab.cpp
    broadcast/QueueTab.h broadcast/QueueTab.cpp
    broadcast/InboxTab.h broadcast/InboxTab.cpp)
