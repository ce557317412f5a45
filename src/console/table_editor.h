// The command C: one class and skill slot at a time, all four promotion stages at once.
#pragma once

int change_skill_table();
void show_class_menu();
void edit_class_skill();
