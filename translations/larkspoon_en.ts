<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="en">
<context>
    <name>AppController</name>
    <message>
        <source>Can&apos;t find your library</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>If your library is saved on a network share you might not be connected to it.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Locate...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Quit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>New</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Locate your library</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Your library could not be upgraded.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>You need to upgrade to version %1 or greater to open this Library File.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Larkspoon! needs to relaunch to finish switching the Library file.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>You must relaunch manually after clicking the Quit button.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Click the Larkspoon! menu and select “Check for Updates...”</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The library “%1” is already open.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Restore the library from the backup of %1?</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>The library is replaced by the backup (%n recipe(s)); the current library is kept in the &quot;Backups&quot; folder. Larkspoon! then starts again.</source>
        <translation>
            <numerusform>The library is replaced by the backup (%n recipe); the current library is kept in the &quot;Backups&quot; folder. Larkspoon! then starts again.</numerusform>
            <numerusform>The library is replaced by the backup (%n recipes); the current library is kept in the &quot;Backups&quot; folder. Larkspoon! then starts again.</numerusform>
        </translation>
    </message>
    <message>
        <source>Restore</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The backup could not be restored.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The backup has been restored.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Start Larkspoon! again to use it.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>BBCGoodFoodImporter</name>
    <message>
        <source>Serves %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>BookmarksPopover</name>
    <message>
        <source>No Bookmarks</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>New</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Edit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>New Bookmark</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Edit Bookmark</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Are you sure you want to delete “%1”?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Name:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Address:</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CardTemplate</name>
    <message>
        <source>For use with unruled 4&quot; x 6&quot; index cards</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>For use with 4&quot; x 6&quot; borderless photo paper</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>For use with A4 paper</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>For use with US Letter paper</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ControllerForWeeklyPlanerDateManagedObject</name>
    <message>
        <source>Only 100 recipes per day are allowed.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This is to prevent poor system performance.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CoreDataController</name>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unable to save changes to your library.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Your library is saved every time you save a recipe or exit the program. The most common reason for seeing this message is opening the same library from two computers at the same time. Chances are you didn&apos;t lose any information since it saves so often. Quit and relaunch.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Could not save changes while quitting. Quit anyway?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Quit anyway</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Would you like to import your recipes and groups from version one?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Yes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>If you choose to do this later you can do so by selecting “Import...” from the File menu and then selecting your version one database by opening your Home folder then /Library/Application Support/Larkspoon!/Larkspoon!.database</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The library is read-only.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The library &quot;%1&quot; is on a disk or in a folder that cannot be changed. You can read, print and export its recipes; changes cannot be saved.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The library is being changed by another program; try again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Your changes are kept. Another program saved to the library for longer than the wait allows; save again when it has finished.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The library is damaged; your changes could not be saved.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Your changes are kept while the program runs, and nothing more is written to the damaged library. Restore the library from a backup.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The library is damaged.</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>The library could not be read. Restore the backup of %1 (%n recipe(s))? The damaged library is kept in the &quot;Backups&quot; folder.</source>
        <translation>
            <numerusform>The library could not be read. Restore the backup of %1 (%n recipe)? The damaged library is kept in the &quot;Backups&quot; folder.</numerusform>
            <numerusform>The library could not be read. Restore the backup of %1 (%n recipes)? The damaged library is kept in the &quot;Backups&quot; folder.</numerusform>
        </translation>
    </message>
    <message>
        <source>Restore</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Quit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The backup could not be restored.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>DialogWithProgressbarController</name>
    <message>
        <source>Importing Recipes...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Finished Importing.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Exporting Recipes...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Finished Exporting.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1 recipe imported</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 recipes imported</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 %2</source>
        <comment>count and reason of skipped pictures</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>; 1 picture was skipped: %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>; %1 pictures were skipped: %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Import Cancelled.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>; 1 recipe was too large to import</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>; %1 recipes were too large to import</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1 picture was left out: its recipe would be too large for the file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 pictures were left out: their recipes would be too large for the file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1 character the file cannot carry was left out</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 characters the file cannot carry were left out</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <comment>recipes done of all in the file</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Converting: %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>DuplicateFinder</name>
    <message numerus="yes">
        <source>%n of these recipes were already in your library</source>
        <translation>
            <numerusform>%n of these recipes was already in your library</numerusform>
            <numerusform>%n of these recipes were already in your library</numerusform>
        </translation>
    </message>
    <message>
        <source>Keep Both</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Skip Duplicates</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ForeignRecipeImporter</name>
    <message>
        <source>There is no file at %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The file %1 is too large to import.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The file %1 could not be read.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Converting: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unable to save changes to your library.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>; 1 entry could not be read.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>; %1 entries could not be read.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>FullScreenWindow</name>
    <message>
        <source>Larkspoon!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Previous</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Previous Recipe</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Next</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Next Recipe</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Edit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Edit Recipe</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Print</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Print Recipe</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Smaller</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Smaller Text</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Larger</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Larger Text</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Exit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Exit Full Screen</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Email</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Email Recipe</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>FullScreenWindowController</name>
    <message>
        <source>Showing a recipe in full screen</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>GenericFileDownloader</name>
    <message>
        <source>Only http and https addresses can be downloaded.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The file “%1” already exists.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The download is larger than %1 bytes.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The download timed out.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The file “%1” could not be written.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Grocery</name>
    <message>
        <source>The grocery category files could not be read.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>New Category</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Uncategorized</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The printer does not take Letter pages.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The grocery list could not be printed.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>GroceryCategoriesDialog</name>
    <message>
        <source>Aisles</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Drag the aisles into the order you walk the store.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add Aisle</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remove Selected Aisle</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>GroceryCategoriesModel</name>
    <message>
        <source>Aisle</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>GroceryConsolidatedModel</name>
    <message>
        <source>Click to check or uncheck all items</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Needed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Quantity</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Measurement</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ingredient</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Method</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Aisle</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>GroceryController</name>
    <message>
        <source>New Item</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unable to print/email ingredients because none are marked Needed.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Check the “Needed” checkbox for any ingredients you want to include from the Consolidated list.

Tip: Click on the word Needed in the header to check/uncheck all items.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 List - Larkspoon!</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>GroceryEditor</name>
    <message>
        <source>Recipes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>My Items</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Consolidated List</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Email...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Print...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Include</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Put the selected ingredients on the consolidated list</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Exclude</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Leave the selected ingredients off the consolidated list</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add Item</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete Selected Items</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Drop or paste ingredient lines here to add them.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Check the items you need. Click on the word Needed in the header to check or uncheck all items.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The grocery list could not be printed.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Grocery List</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A new message could not be opened in your mail program.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Check that a mail program is set up for this desktop.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The grocery list could not be written for the message.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Edit Aisles...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The aisles could not be saved.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>GroceryMyItemsModel</name>
    <message>
        <source>Quantity</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Measurement</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Item</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Method</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>GroceryRecipeRowsModel</name>
    <message>
        <source>Left off the consolidated list</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>On the consolidated list</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Include</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Quantity</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Measurement</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ingredient</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Method</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>GroupEditorController</name>
    <message>
        <source>Group</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Smart Group</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Grocery List</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Platefeed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>My Library</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>please enter a name for your new group</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Commas are not allowed in Group names at this time.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Would you like to change the keywords of the recipes in this group to match the new group&apos;s name?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>If you choose not to do this the group name will change but the recipes that were contained in it may no longer be associated with this group.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Yes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This will also delete this group&apos;s subgroups.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Are you sure you want to delete “%1”?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>New Smart Group</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Edit Smart Group</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>New Grocery List</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Edit Grocery List</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>New Group</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Edit Group</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete Group</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The platefeed&apos;s published name cannot be read.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Check your connection to the Internet and try again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Are you sure you would like to stop publishing “%1”?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Users that subscribe to this platefeed will be notified that it&apos;s no longer being published.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unpublish</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The platefeed “%1” could not be withdrawn.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Your WebDAV space did not answer. The group stays published; try again when the space can be reached.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>GroupEditorSheet</name>
    <message>
        <source>Group Types</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Group Name:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Grocery List Name:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Smart Group Name:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Weeknight Dinners</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Favourites With Pictures</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Saturday Market</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Platefeed Title:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Published Address:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unpublish</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Platefeed Address:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reset Name</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>HtmlPage</name>
    <message>
        <source>The page did not finish loading within %1 seconds.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The page stopped unexpectedly.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No temporary folder for the page.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No file to load.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The address &quot;%1&quot; is not valid.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This page does not load addresses from the network.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>There is no page to reload.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The load was stopped.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The load was replaced by another one.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The page could not be loaded (error %1).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The engine made no document.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>IngredientsTableModel</name>
    <message>
        <source>Quantity</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Measurement</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ingredient</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Method</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>IngredientsTableView</name>
    <message>
        <source>Add Ingredient Above</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add Ingredient Below</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add Ingredient Group</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Convert to Ingredient Group</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete Ingredients</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add an ingredient at the end</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete the selected ingredients</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Scale…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Scale this recipe to another yield</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>More ingredient commands</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>KeyedArchive</name>
    <message>
        <source>The file is not a keyed archive.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>An object refers to an object the file does not hold.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>An object of the file refers to itself.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A value of the file is not a text, a number, a date or data.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A collection of the file holds no list of objects.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>LSVersionOneDataImporter</name>
    <message>
        <source>There is no file at %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The file is too large to import.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The file could not be opened.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>“%1” could not be read: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>“%1” could not be imported.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Importing: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unable to save changes to your library.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>not pictures Larkspoon! can show</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>; 1 recipe could not be read.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>; %1 recipes could not be read.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Library</name>
    <message>
        <source>LIBRARY</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>GROUPS</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>GROCERY LISTS</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>My Recipes</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>LibraryBackups</name>
    <message>
        <source>The folder &quot;%1&quot; could not be created.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The file &quot;%1&quot; is a library store of another version.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The file &quot;%1&quot; could not be written.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>LibraryStore</name>
    <message>
        <source>The library folder &quot;%1&quot; could not be created.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>There is no library at &quot;%1&quot;.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MacGourmetReader</name>
    <message>
        <source>%1 minutes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 hour %2 minutes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The entry is not a recipe.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The file is not a MacGourmet export: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The file is not a MacGourmet export: it holds no list of recipes.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MainMenuController</name>
    <message>
        <source>Import</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Also import Date Created, Date Modified, Rating, Previously Prepared and Private Notes.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 Larkspoon! %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>recipes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Also export Private Notes.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Larkspoon!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>About Larkspoon!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Preferences...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ctrl+,</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Quit Larkspoon!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ctrl+Q</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>New Recipe</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ctrl+N</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>New Group...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ctrl+Shift+N</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>New Library...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open Library...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ctrl+O</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ctrl+S</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Import...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ctrl+Shift+I</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ctrl+Shift+E</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Print...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ctrl+P</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Email...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Undo</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Redo</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Edit Recipe</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ctrl+E</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete Recipe</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ctrl+Backspace</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Edit Group...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete Group</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Choose Theme</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ctrl+T</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Larger Text</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Smaller Text</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Window</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Library Window</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ctrl+1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Larkspoon! Guide</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>New Library</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Larkspoon! Library</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sorry but you can&apos;t overwrite a library that is in use.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Your new library could not be created.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Check that you can write to the folder you chose, then try again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Your new library has been created.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Larkspoon! needs to relaunch to open it. After quitting relaunch.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Quit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open Library</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Undo %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Redo %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Larkspoon!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Version %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Your personal library of recipes.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Edit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add to Grocery List</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Show in Group</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export “%1”...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export Group...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Importing “%1” files</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export 1 recipe</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export %1 recipes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>“%1” holds no recipes to export.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not available yet</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is not part of this version of Larkspoon! yet.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Typing</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Web Importer</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ctrl+2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Supported formats are Larkspoon! 2 two exports “lsr”, Larkspoon! 1 exports “Larkspoon!” Larkspoon! 1 databases “database”, MacGourmet data exports “mgourmet”, MasterCook XML exports “mx2”, and MealMaster files “mmf”, “mm” and “txt”.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>“%1” holds no MealMaster recipes.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Visual Browser</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Weekly Planner</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ctrl+Shift+W</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Print…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Email…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Publish Platefeed…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Update Subscribed Platefeeds</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>E-mail the Developer…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Copy Recipe as Text</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save as PDF…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Made with Qt (LGPLv3), SQLite (public domain), OpenJPEG (BSD-2-Clause) and QtKeychain (BSD-3-Clause).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The Larkspoon! Guide could not be opened.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The Larkspoon! Guide is missing.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Check that a PDF viewer is set up for this desktop.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>It was not found at “%1”.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Larkspoon! %1 feedback</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A new message could not be opened in your mail program.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Write to %1 to reach the developer.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save as PDF</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Restore from Backup…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Check that a mail program is set up for this desktop.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Larkspoon!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>New Recipe</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Edit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Edit Recipe</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete Recipe</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Toolbar</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Full Screen</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Enter Full Screen Mode</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Email</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Print</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Social</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Recipe Controls</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Web Importer</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Import recipes from web pages</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Search Recipes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Choose what to search</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1 recipe</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 recipes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No library is open</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Find</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No recipes match “%1”</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MasterCookReader</name>
    <message>
        <source>The file ends inside the recipe.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The recipe has no name, ingredients or directions.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MeasurementMatchesTableView</name>
    <message>
        <source>Matches</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MenuForWeekDayButtons</name>
    <message>
        <source>Edit Note...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add Note...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete Note</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Print...</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ObjectContext</name>
    <message>
        <source>The file &quot;%1&quot; could not be read: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The file &quot;%1&quot; is not a Larkspoon! library store.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The library store &quot;%1&quot; is damaged (the file is incomplete).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>There is no library store at &quot;%1&quot;.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The library store &quot;%1&quot; could not be opened: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The library store &quot;%1&quot; was written with another data model (%2) and cannot be opened with %3.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The library store &quot;%1&quot; could not be created: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The library store &quot;%1&quot; is damaged: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The library store &quot;%1&quot; could not be read: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>There is no entity named &quot;%1&quot;.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The library could not be saved: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The library is read-only.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The library is being changed by another program; try again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The library store &quot;%1&quot; is damaged and was not changed: %2</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PlatefeedManager</name>
    <message>
        <source>No password store (Secret Service) is running, so the password cannot be kept.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is not a property list: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The folder %1 could not be made.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The WebDAV space %1 cannot be reached.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Updating %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Publishing %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ERROR, unable to update platefeed.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unable to find Platefeed at that address.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Check to make sure you typed the address correctly.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Only http and https addresses can be used: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>You are already subscribed to this Platefeed.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 holds no platefeed.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The platefeed “%1” is no longer being published.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>You should move recipes from this platefeed into your own library and delete the platefeed.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 holds no valid platefeed key.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Updating...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 was written by another version (%2).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The recipe “%1” has been updated. Would you like to update your copy of this recipe?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Yes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Never Update</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Apply Selection to Remaining Updates</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Updating %1...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>PLATEFEEDS</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>“%1” is already published.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The folder %1 is already the platefeed of “%2”.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The folder %1 holds another platefeed.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The folder %1 already holds other files; choose another title.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The folder %1 holds another platefeed; it is left alone.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The folder %1 holds files that are not this platefeed&apos;s; it is left alone.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 uses the key of another subscribed platefeed.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PlatefeedPage</name>
    <message>
        <source>Publish</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Subscribe</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Platefeed Address:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Enter the address of the platefeed you would like to subscribe to, as its publisher&apos;s page shows it.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>WebDAV Address:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Public Address:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>User Name:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Password:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Platefeeds are published into the folder “Sites” of a WebDAV space. The public address is where others read that same space: for a plain WebDAV server it is the WebDAV address. For Nextcloud, share a folder by public link, enter the folder&apos;s WebDAV address above, and as the public address https://SERVER/public.php/dav/files/TOKEN, where TOKEN is the last part of the share link. The password is kept in your desktop&apos;s password store.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Group to Publish:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The recipes of the group are published, and kept up to date as you change them.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Platefeed Title:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Subscribers see this title. It also names the folder of the platefeed.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Your platefeed is published. Others subscribe to it at:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No password store (Secret Service) is running, so publishing is off: the password would have to be kept in plain text.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unable to find Platefeed at that address.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Check to make sure you typed the address correctly.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unable to create published platefeed.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Could not log into MobileMe</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Make sure your username and password are correct and try again</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Robin&apos;s Weeknight Dinners</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sign Out</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>please enter the address of the platefeed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>please enter a title for your platefeed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Your password would be sent unencrypted.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The WebDAV address starts with “http:”, not “https:”, so anyone on the network between this computer and %1 can read your user name and password. Use an “https:” address if the server offers one.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Send Unencrypted</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PlatefeedShell</name>
    <message>
        <source>The platefeed “%1” could not be withdrawn.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The group has been deleted, but your WebDAV space did not answer: the platefeed is still published and its subscribers are not told that it ended.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Predicate</name>
    <message>
        <source>the filter is empty</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>unexpected end of the filter at position %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>unexpected %1 at position %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the filter is nested too deeply at position %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>unsupported format %1 at position %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>expected a variable name after &quot;$&quot; at position %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>expected a key after &quot;#&quot; at position %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>expected four hexadecimal digits after &quot;\u&quot; at position %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>unknown escape %1 at position %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>unterminated text starting at position %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>expected &quot;)&quot; at position %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>expected a comparison operator after %1 at position %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>BETWEEN needs a list of two values at position %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>unknown modifier %1 at position %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>expected &quot;]&quot; at position %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>missing argument for &quot;%1&quot; at position %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the argument for &quot;%@&quot; at position %1 cannot be used in a filter</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the argument for &quot;%K&quot; at position %1 is not a key name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>expected a value after %1 at position %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>expected a key after &quot;.&quot; at position %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>expected &quot;,&quot; or &quot;}&quot; at position %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>expected &quot;(&quot; after &quot;CAST&quot; at position %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>expected &quot;,&quot; at position %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>expected a type name at position %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>unsupported CAST type %1 at position %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>expected a date text or a number in &quot;CAST&quot; at position %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PreferencesWindow</name>
    <message>
        <source>Preferences</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>General</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>E-mail</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Send recipes and grocery lists as:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Rich Text (HTML)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Plain Text</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sidebar</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Use large sidebar icons</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Show counter of recipes marked as new</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Collect grocery lists under one heading</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Collect subscribed platefeeds under one heading</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Recipes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Show fractions as single characters</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Capitalize recipe and ingredient titles</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add recipe data to auto-fill lists</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Each Smart Measurement is the way you like a measurement written; its matches are the spellings that mean it.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add Smart Measurement</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remove Smart Measurement</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add Match</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remove Match</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reset to Defaults</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Apply Rules…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Measurements</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PrintViewGenerator</name>
    <message>
        <source>Ingredients:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Additional Metrics:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Description:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Directions:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Notes:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Private Notes:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Keywords:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unable to Print “%1” in This Format</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A portion of this recipe is unable to to fit within the height of this print format. Dividing large paragraphs of text into smaller ones will fix it.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unable to Load Preview</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The HTML template doesn&apos;t include either &apos;maxHeight&apos;, &apos;pageWidth&apos;, or &apos;pageHeight&apos;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This theme is not configured correctly.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Themes for this version must contain a comma separated array with the order in which the theme must be drawn. The current valid keys are:

“description, directions, ingredients, keywords, metrics, notes, private_notes”

Place this array in the tag /*printOder:*/.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Difficulty:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Yield:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cuisine:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Prep Time:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cooking Time:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Inactive Prep Time:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Attribution:</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PrintingController</name>
    <message>
        <source>Continue to Email</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Continue to Print Panel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A4</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Generating Email...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Generating Printout...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The recipe cards could not be written for the message.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The recipes could not be written for the message.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A new message could not be opened in your mail program.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Check that a mail program is set up for this desktop.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>For use with unruled 4&quot; x 6&quot; index cards</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>For use with 4&quot; x 6&quot; borderless photo paper</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>For use with A4 paper</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>For use with US Letter paper</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 Recipe</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 Larkspoon! Recipes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 Recipes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Description:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ingredients:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Additional Metrics:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Yield:%1
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Attribution:%1
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cuisine:%1
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Prep Time:%1
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cooking Time:%1
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Inactive Prep Time:%1
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Directions:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Notes:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Continue to Save PDF</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Generating PDF...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The recipe cards could not be saved as a PDF.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Check that “%1” can be written.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PrintingWindow</name>
    <message>
        <source>Print</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Themes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Formats</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A-</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Smaller Text</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A+</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Larger Text</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PropertyList</name>
    <message>
        <source>The property list is empty.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The property list is too large.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The data is not a property list.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The file %1 could not be opened: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The file %1 could not be read: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The file %1 could not be written: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The value could not be encoded.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The property list holds no value.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The property list does not hold an array.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The property list ends too early.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The file could not be read: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The property list holds more than one value.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The file is not open for writing.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The property list holds an element where text was expected.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The property list holds an unknown entity.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The property list is nested too deeply.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The property list holds an element of an unknown kind.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The property list holds an integer that cannot be read.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The property list holds a real number that cannot be read.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The property list holds a date that cannot be read.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The property list holds a dictionary value without a key.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The property list holds a dictionary key without a value.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The binary property list is damaged.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The binary property list refers to itself.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The binary property list holds a value of an unknown kind.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The binary property list holds a dictionary key that is not text.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The property list holds a tag that is too long.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The property list holds a document type that is too long.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The binary property list refers to its shared values so many times that it would expand to far more than its own size.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The property list holds data that is not base64: a character other than letters, digits, “+”, “/”, white space and closing “=” padding.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>QtAlerts</name>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>QtFilePanels</name>
    <message>
        <source>“%1” already exists. Do you want to replace it?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Replacing it will overwrite its current contents.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Replace</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Supported files (%1)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Choose</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>QtProgressView</name>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>RecipeDisplayController</name>
    <message>
        <source>Difficulty:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Easy</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Medium</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Hard</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Keywords: </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Attribution:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Imported From:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The theme you have selected is not compatible with this version of Larkspoon!.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Select a default theme or ask the creator of the theme to update it.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Empty Selection</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Directions:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Description:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Notes:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Private Notes:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ingredients:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Additional Metrics:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Yield:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cuisine:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Prep Time:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cooking Time:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Inactive Prep Time:</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>RecipeEditorController</name>
    <message>
        <source>Do you want to save the recipe you are editing?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Do you want to save the changes you made to “%1”?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Your changes will be lost if you don&apos;t save them.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Don&apos;t Save</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Would you like to remove these %1 recipes from this group, or delete them from your library?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Would you like to remove these %1 recipes from this group and its subgroups, or delete them from your library?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remove From Group</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete From Library</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Are you sure you want to remove the %1 selected recipes from your grocery list?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remove From Grocery List</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Are you sure you want to remove the %1 selected recipes and no longer receive updates to them?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This will stop your library from receiving updates to this recipe. You can undo this by right-clicking and resetting this Platefeed.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Are you sure you want to delete the %1 selected recipes?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This action can&apos;t be undone.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Would you like to remove “%1” from this group, or delete it from your library?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Would you like to remove “%1” from this group and and its subgroups, or delete it from your library?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Are you sure you want to remove “%1” from your grocery list?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Are you sure you want to remove “%1” and no longer receive updates to it?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Are you sure you want to delete “%1”?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Typing</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete Recipe</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete Recipes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>You can undo this with Edit › Undo.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>RecipeEditorImageView</name>
    <message>
        <source>Picture %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Choose Picture…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remove Picture</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Images (%1)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>All Files (*)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Choose Picture</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>RecipeEditorView</name>
    <message>
        <source>Recipe Title</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Keywords, separated by commas</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Keywords:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Edit…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Edit the description in a larger panel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Description:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>I have made this recipe</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Yield:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Preparation:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cooking:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Inactive:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cuisine:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Source:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Rating:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Difficulty:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Imported from:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ingredients</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Directions</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Insert the degree sign</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Notes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Private Notes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pictures</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Description</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>RecipePageView</name>
    <message>
        <source>Themes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pick how your recipes look. You can open this list again from View &gt; Choose Theme.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Got It</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>RecipeScaler</name>
    <message>
        <source>Your recipe has been scaled by a factor of: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>- Scaled to %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>RecipeVisualBrowser</name>
    <message>
        <source>Mark as New</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Mark as Not New</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sort By</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Title</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Date Created</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Date Modified</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Difficulty</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Rating</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>New Items First</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>RecipesArrayController</name>
    <message>
        <source>Name</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>RecipesManagedObject</name>
    <message>
        <source>This recipe cannot hold a picture at position %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The picture could not be written to &quot;%1&quot;: %2</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>RestoreBackupWindow</name>
    <message>
        <source>Restore from Backup</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>There are no backups of this library yet. A backup is made after the first save of each day.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Choose the backup that replaces your library:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Date</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Recipes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>unreadable</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Restore…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1, %2 (before a restore)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ScalingAssistantController</name>
    <message>
        <source>Scaling Assistant</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The Scaling Assistant changes the ingredient amounts of this recipe to make more or fewer servings. It works on a copy of the recipe, so the original stays as it is.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Continue</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Current yield:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Desired yield:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Please enter the current and the desired yield as numbers greater than zero.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Calculate</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Your recipe has been scaled. Check the new amounts before you save it.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ingredients marked in red could not be scaled. Please change their amounts by hand.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Done</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>SchemaOrgImporter</name>
    <message>
        <source>Total time: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1 day</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 days</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1 hour</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 hours</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 min</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 sec</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>SearchBoxMenu</name>
    <message>
        <source>Entire Recipe</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Attribution</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cooking Time</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cuisine</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Directions</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Import Address</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Inactive Prep Time</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ingredients</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Keywords</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Notes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Prep Time</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Private Notes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Description</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Yield</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>SideBarDragController</name>
    <message>
        <source>Remove From Grocery List</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add to Grocery List</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remove From Group</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add to Group</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Move Group</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>SidebarOutlineView</name>
    <message>
        <source>Edit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reset</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Publish</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unpublish</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export…</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>SmartGroupPredicateEditor</name>
    <message>
        <source>Match</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>all</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>any</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>of the following rules:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This rule cannot be shown as rows. It is kept as it is unless you change the rows.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remove this rule</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add a rule after this one</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>SmartGroupRules</name>
    <message>
        <source>easy</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>medium</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>hard</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Yes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>contains</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>does not contain</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>begins with</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ends with</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>is</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>is not</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>is less than</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>is greater than</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the rule is empty</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>unexpected text at position %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the rule is nested too deeply</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>expected &quot;)&quot; at position %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>rules nested inside rules cannot be edited</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>rules joined by both AND and OR cannot be edited</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>expected a quoted text at position %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>expected four hexadecimal digits at position %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>unterminated text</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>expected a comparison at position %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>expected &quot;]&quot; at position %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not a rule the editor offers</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the rule at position %1 is not one the editor offers</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Title</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Description</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ingredients</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Directions</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Attribution</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cuisine</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Yield</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Import Address</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Keywords</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Notes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Private Notes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Rating</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Difficulty</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Has Image</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Has Been Prepared</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Groupless</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>SmartMeasurementsController</name>
    <message>
        <source>Feel free to rename it though!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Are you sure you want to apply Smart Measurement rules?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This action can&apos;t be undone.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Yes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>cannot create the folder &quot;%1&quot;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the default measurement rules are empty</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The measurement “%1” is required to perform scaling operations and can&apos;t be deleted.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The match “%1” is required to perform scaling operations and can&apos;t be edited or deleted.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>SmartMeasurementsTableView</name>
    <message>
        <source>Smart Measurements</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The Smart Measurements could not be exported to &quot;%1&quot;.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The Smart Measurements could not be reset to the defaults.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>StoreBackup</name>
    <message>
        <source>The file &quot;%1&quot; could not be opened: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>There is no library store at &quot;%1&quot;.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The file &quot;%1&quot; could not be written.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>VersionOneStore</name>
    <message>
        <source>The file has no root object.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The collections of the file nest too deeply.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A collection of the file contains itself.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 holds a value of the wrong kind.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 refers to something other than a %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The version-one data model could not be read.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>VersionTwoDatabaseConverter</name>
    <message>
        <source>The file &quot;%1&quot; could not be removed: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The file &quot;%1&quot; could not be renamed to &quot;%2&quot;: %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Groceries</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A library of version %1 cannot be upgraded.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Larkspoon! needs to upgrade your library file in order to open it.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Once upgraded your library will require version %1 or greater of Larkspoon!.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Upgrade</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Quit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The file &quot;%1&quot; is in the way of the backup of the old library.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>VersionTwoImporterExporter</name>
    <message>
        <source>You need to upgrade to version %1 or greater to import this recipe file.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>There is no file at %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unable to save changes to your library.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>You can also import Date Created, Date Modified, Rating, Previously Prepared and Private Notes.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Import</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Import with all details</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Click the Larkspoon! menu and select “Check for Updates...”</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>not in a format Larkspoon! can show</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>could not be written to the library</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Import “%1”?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This recipe file cannot be imported: a recipe in it has no version (modelVersion).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This recipe file cannot be imported: the version (modelVersion) of a recipe in it is not written as text.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This recipe file cannot be imported: the version (modelVersion) %1 of a recipe in it is a number, not written as text.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The file may be damaged or written by another program.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The recipe is too large to import.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The entry is not a recipe.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>VisualBrowserItem</name>
    <message>
        <source>Easy</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Medium</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Hard</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>NEW</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>WebDavClient</name>
    <message>
        <source>Only http and https addresses can be used: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is larger than %2 bytes.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 did not answer in time.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 answered %2 %3.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>WebImporterController</name>
    <message>
        <source>Web Importer</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Back</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Forward</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A−</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Smaller Text</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A+</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Larger Text</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reload</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Address</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Loading…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Search the Web</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add Bookmark</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Bookmarks</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Text</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Paste text from elsewhere and pick its fields</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Keywords</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Import</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reset</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Import recipes from the web</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Type an address or search the web above, or choose one of the sites. When the page holds a recipe that Larkspoon! recognises, the import bar rises: press Import.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>On any other page, select a part of the recipe and press the button of its field below (or choose the field from the context menu). Then press Import.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stop</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Auto Off</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Description</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ingredients</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Directions</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Notes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Yield</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cuisine</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Attribution</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Prep Time</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cooking Time</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Inactive Prep Time</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>WeeklyPlannerController</name>
    <message>
        <source>Today</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Previous Week</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This Week</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Next Week</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Note and day menu</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Planned Dates</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>WeeklyPlannerNoteEditor</name>
    <message>
        <source>Save</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Note for %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Larkspoon! recipe library</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Quit as soon as the main window shows the recipe list, printing the milliseconds since the process started.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Libraries and documents to open.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>With --quit-when-shown: first type this text into the search field letter by letter, and print the memory used before and after.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
